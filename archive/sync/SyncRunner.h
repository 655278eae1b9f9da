#pragma once
// Runs a SyncEngine on a thread of its own and reports to the thread that owns the runner (the
// window's): progress while it runs, the outcome at the end. The window never waits on the
// network, and an instrument exchange goes on while a sync runs.
#include "archive/sync/SyncEngine.h"

#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

class SyncRunner : public QObject {
    Q_OBJECT
public:
    explicit SyncRunner(QObject* parent = nullptr);
    ~SyncRunner() override; // cancels a running sync and waits for it to stop (within moments)

    bool running() const;
    // Starts a sync unless one is running; false when one is.
    bool start(const QString& archivePath, const ServerConfig& server);
    // Asks the running sync to stop: after its current step, or at once when it waits on the server.
    void cancel();
    // Waits for the running sync to end (the program closing).
    void wait();

signals:
    void progress(qint64 done, qint64 total);
    void finished(const SyncOutcome& outcome);

private:
    std::unique_ptr<QThread> m_thread;
    SyncCancel m_cancel;
};
