#pragma once
// Runs one piece of long work of our own (an export) on a thread of its own and reports to the
// thread that owns the runner (the window's): how far it has come while it runs, and at the end
// whether it did it, failed (with the reason) or was stopped. A stop asked for reaches the work
// through its WorkControl, which checks it between steps short enough to stop within a second.
#include "core/Outcome.h"
#include "core/WorkControl.h"

#include <QObject>
#include <QThread>
#include <memory>
#include <stop_token>

class WorkRunner : public QObject {
    Q_OBJECT
public:
    // The work: it reads only what it was given (copies, never widgets) and says how it ended.
    using Work = std::function<Outcome(const WorkControl& control)>;

    explicit WorkRunner(QObject* parent = nullptr);
    ~WorkRunner() override; // stops running work and waits for it to end

    bool running() const;
    // Starts the work unless some runs; false when it does.
    bool start(Work work);
    // Asks the running work to stop.
    void stop();
    // Waits for the running work to end (the window closing).
    void wait();

signals:
    void progress(qint64 done, qint64 total);
    // `stopped`: the stop came before the work was done; the outcome is then a failure.
    void finished(const Outcome& outcome, bool stopped);

private:
    std::unique_ptr<QThread> m_thread;
    std::stop_source m_stop;
};
