#include "archive/ImportRunner.h"

#include "archive/RecordArchive.h"

ImportRunner::ImportRunner(QObject* parent) : QObject(parent) {
    qRegisterMetaType<ImportSummary>();
}

ImportRunner::~ImportRunner() {
    cancel();
    wait();
}

bool ImportRunner::running() const {
    return m_thread && m_thread->isRunning();
}

bool ImportRunner::start(const QString& archivePath, const QStringList& paths, const ImportOptions& options) {
    if (running())
        return false;
    wait();
    m_cancel = false;
    m_thread.reset(QThread::create([this, archivePath, paths, options] {
        ImportSummary summary;
        RecordArchive archive; // a connection of this thread's own
        if (archive.open(archivePath) != ArchiveState::Open) {
            summary.failure = archive.writeFailure();
        } else {
            ImportOptions own = options;
            own.cancel = &m_cancel;
            // Signals of an object of the window's thread, emitted here: queued to the window.
            own.progress = [this](int done, int total, const QString&) { emit progress(done, total); };
            summary = ImportFiles(archive, paths, own);
        }
        emit finished(summary);
    }));
    m_thread->start(QThread::LowPriority);
    return true;
}

void ImportRunner::cancel() {
    m_cancel = true;
}

void ImportRunner::wait() {
    if (m_thread) {
        m_thread->wait();
        m_thread.reset();
    }
}
