#include "core/WorkRunner.h"

WorkRunner::WorkRunner(QObject* parent) : QObject(parent) {
    qRegisterMetaType<Outcome>();
}

WorkRunner::~WorkRunner() {
    stop();
    wait();
}

bool WorkRunner::running() const {
    return m_thread && m_thread->isRunning();
}

bool WorkRunner::start(Work work) {
    if (running())
        return false;
    wait();
    m_stop = std::stop_source();
    m_thread.reset(QThread::create([this, work = std::move(work), stop = m_stop.get_token()] {
        WorkControl control;
        control.stop = stop;
        // Signals of an object of the window's thread, emitted here: queued to the window, each
        // thousandth of the way at most.
        control.progress = [this, shown = qint64(-1)](qint64 done, qint64 total) mutable {
            const qint64 part = total > 0 ? done * 1000 / total : done;
            if (part != shown)
                emit progress(done, total);
            shown = part;
        };
        const Outcome outcome = work(control);
        emit finished(outcome, !outcome && stop.stop_requested());
    }));
    m_thread->start(QThread::LowPriority);
    return true;
}

void WorkRunner::stop() {
    m_stop.request_stop();
}

void WorkRunner::wait() {
    if (m_thread) {
        m_thread->wait();
        m_thread.reset();
    }
}
