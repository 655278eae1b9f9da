#pragma once
// Runs an import of files into an archive on a thread of its own, with a connection of that
// thread's own, and reports to the thread that owns the runner (the window's): progress while it
// runs, the summary at the end. A cancel stops it within a moment, also inside one large file.
#include "archive/ArchiveImport.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

class ImportRunner : public QObject {
    Q_OBJECT
public:
    explicit ImportRunner(QObject* parent = nullptr);
    ~ImportRunner() override; // cancels a running import and waits for it to stop

    bool running() const;
    // Starts bringing the paths into the archive file unless an import runs; false when one does.
    // The options' progress and cancel are the runner's own.
    bool start(const QString& archivePath, const QStringList& paths, const ImportOptions& options);
    // Asks the running import to stop; what is stored stays.
    void cancel();
    // Waits for the running import to end (the program closing).
    void wait();

signals:
    void progress(int done, int total);
    void finished(const ImportSummary& summary);

private:
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_cancel{false};
};
