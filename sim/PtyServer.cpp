#include "sim/PtyServer.h"

#include "sim/PortSpeed.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
// A request left incomplete this long is dropped: the next byte starts a new frame.
constexpr auto kFrameGap = 100ms;
constexpr int kBitsPerByte = 10;

void SleepUntil(std::chrono::steady_clock::time_point when) {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(when.time_since_epoch()).count();
    timespec ts{time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

} // namespace

PtyServer::PtyServer(std::shared_ptr<VirtualInstrument> instrument) : m_instrument(std::move(instrument)) {}

PtyServer::~PtyServer() {
    stop();
}

bool PtyServer::start() {
    if (running())
        return true;
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, name, sizeof name) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        closeAll();
        return false;
    }
    m_path = QString::fromLocal8Bit(name);
    // Holding the slave side open keeps the terminal's state (and our raw settings) between the
    // program's opens, and keeps the master readable while the program has the port closed.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (m_slave < 0 || tcgetattr(m_slave, &raw) != 0 || pipe2(m_wake, O_CLOEXEC) != 0) {
        m_error = QString::fromLocal8Bit(std::strerror(errno));
        closeAll();
        return false;
    }
    cfmakeraw(&raw);
    cfsetspeed(&raw, B9600);
    tcsetattr(m_slave, TCSANOW, &raw);
    m_stop = false;
    m_thread = std::thread([this] { run(); });
    return true;
}

void PtyServer::stop() {
    if (m_thread.joinable()) {
        m_stop = true;
        const char wake = 1;
        [[maybe_unused]] const ssize_t n = ::write(m_wake[1], &wake, 1);
        m_thread.join();
    }
    closeAll();
}

void PtyServer::closeAll() {
    for (int* fd : {&m_slave, &m_master, &m_wake[0], &m_wake[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void PtyServer::run() {
    uint8_t buffer[256];
    while (!m_stop) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_wake[0], POLLIN, 0}};
        const int timeout = m_pending.isEmpty() ? -1 : int(kFrameGap.count());
        if (poll(fds, 2, timeout) < 0 && errno != EINTR)
            break;
        if (fds[1].revents & POLLIN)
            break;
        const Clock::time_point now = Clock::now();
        if (!m_pending.isEmpty() && now - m_lastByte >= kFrameGap)
            m_pending.clear();
        if (fds[0].revents & POLLIN) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n && !m_stop; ++i)
                feed(buffer[i], now);
        } else if (fds[0].revents & (POLLHUP | POLLERR)) {
            poll(fds + 1, 1, 10); // nobody on the slave side for a moment
        }
    }
}

void PtyServer::feed(uint8_t byte, Clock::time_point now) {
    if (m_pending.isEmpty()) {
        m_pendingLength = RequestFrameLength(byte);
        m_firstByte = now;
    }
    m_pending.append(char(byte));
    m_lastByte = now;
    if (m_pending.size() < m_pendingLength)
        return;
    const QByteArray request = m_pending;
    m_pending.clear();
    answer(request, m_firstByte);
}

void PtyServer::answer(const QByteArray& request, Clock::time_point firstByte) {
    const SimResponse response = m_instrument->respond(request);
    const QByteArray bytes = response.stray + response.reply + response.surplus;
    if (bytes.isEmpty())
        return;
    const int fixed = m_fixedBaud;
    const int baud = fixed != 0 ? fixed : PortBaudRate(m_slave);
    if (baud <= 0) {
        [[maybe_unused]] const ssize_t n = ::write(m_master, bytes.constData(), size_t(bytes.size()));
        return;
    }
    // The request's own bytes take their time on the line before the instrument can answer;
    // each reply byte is complete one byte time after the previous one.
    const auto byteTime = std::chrono::nanoseconds(1'000'000'000LL * kBitsPerByte / baud);
    Clock::time_point due = firstByte + byteTime * request.size();
    for (char b : bytes) {
        if (m_stop)
            return;
        due += byteTime;
        SleepUntil(due);
        [[maybe_unused]] const ssize_t n = ::write(m_master, &b, 1);
    }
}
