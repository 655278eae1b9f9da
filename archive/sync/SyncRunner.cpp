#include "archive/sync/SyncRunner.h"

SyncRunner::SyncRunner(QObject* parent) : QObject(parent) {
    qRegisterMetaType<SyncOutcome>();
}

SyncRunner::~SyncRunner() {
    cancel();
    wait();
}

bool SyncRunner::running() const {
    return m_thread && m_thread->isRunning();
}

bool SyncRunner::start(const QString& archivePath, const ServerConfig& server) {
    if (running())
        return false;
    wait();
    m_cancel.reset();
    m_thread.reset(QThread::create([this, archivePath, server] {
        SyncEngine engine(archivePath, server);
        // Signals of an object of the window's thread, emitted here: queued to the window.
        const SyncOutcome outcome =
            engine.run([this](qint64 done, qint64 total) { emit progress(done, total); }, &m_cancel);
        emit finished(outcome);
    }));
    m_thread->start(QThread::LowPriority);
    return true;
}

void SyncRunner::cancel() {
    m_cancel.request();
}

void SyncRunner::wait() {
    if (m_thread) {
        m_thread->wait();
        m_thread.reset();
    }
}
