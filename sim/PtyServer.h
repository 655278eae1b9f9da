#pragma once
// Serves a VirtualInstrument on a fresh pseudo-terminal from a thread of its own: the program
// opens the device path as its serial port. Request frames are cut from the received bytes by
// the command table; replies are sent byte by byte, paced at the line rate (ten bit times per
// byte) that the program set on the port, or at a fixed rate when one is given.
#include "sim/VirtualInstrument.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

class PtyServer {
public:
    explicit PtyServer(std::shared_ptr<VirtualInstrument> instrument);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    // Opens the pseudo-terminal and starts answering; false (with errorText) when it cannot.
    bool start();
    // Stops answering and closes the pseudo-terminal (the program's port then hangs up).
    void stop();
    bool running() const { return m_thread.joinable(); }
    QString devicePath() const { return m_path; }
    QString errorText() const { return m_error; }
    // 0 (the default): pace at the rate the program set on the port; < 0: no pacing at all.
    void setBaudRate(int baud) { m_fixedBaud = baud; }
    VirtualInstrument& instrument() { return *m_instrument; }

private:
    using Clock = std::chrono::steady_clock;
    void run();
    void feed(uint8_t byte, Clock::time_point now);
    void answer(const QByteArray& request, Clock::time_point firstByte);
    void closeAll();

    std::shared_ptr<VirtualInstrument> m_instrument;
    QString m_path;
    QString m_error;
    int m_master = -1;
    int m_slave = -1;
    int m_wake[2] = {-1, -1};
    std::atomic<int> m_fixedBaud{0};
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    QByteArray m_pending;
    int m_pendingLength = 0;
    Clock::time_point m_firstByte;
    Clock::time_point m_lastByte;
};
