#pragma once
// What long work of our own (an export) is handed when it runs on a worker thread: whether the
// user has asked it to stop, checked between its steps, and where it says how far it has come.
// A default one never stops and tells nobody.
#include <QtGlobal>
#include <functional>
#include <stop_token>

struct WorkControl {
    std::stop_token stop;
    std::function<void(qint64 done, qint64 total)> progress;

    bool stopped() const { return stop.stop_requested(); }
    void report(qint64 done, qint64 total) const {
        if (progress)
            progress(done, total);
    }
};
