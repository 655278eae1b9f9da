#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "link/SiUsbXp.h"
#include "link/UCommUnit.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
constexpr int kUsbAttempts = 4;
constexpr uint32_t kDeviceIndex = 0;
constexpr int kWriteChunk = 512;
constexpr int kReadChunk = 4096;
constexpr auto kWriteOnlyTimeout = 10ms;
constexpr auto kWriteTimeout = 100ms;
constexpr auto kReadTimeout = 100ms;
constexpr auto kWriteReadPause = 1ms;

uint32_t Ms(std::chrono::milliseconds ms) {
    return uint32_t(ms.count());
}

// Sets the library's time-outs for one call and puts the saved pair back afterwards, whatever
// the call does.
class TimeoutScope {
public:
    TimeoutScope(uint32_t readTimeout, uint32_t writeTimeout) {
        SI_GetTimeouts(&m_read, &m_write);
        SI_SetTimeouts(readTimeout, writeTimeout);
    }
    ~TimeoutScope() { SI_SetTimeouts(m_read, m_write); }
    TimeoutScope(const TimeoutScope&) = delete;
    TimeoutScope& operator=(const TimeoutScope&) = delete;

private:
    uint32_t m_read = 0;
    uint32_t m_write = 0;
};

bool UsbWriteChunk(uint8_t* data, uint32_t size, uint32_t* written, std::chrono::milliseconds timeout) {
    TimeoutScope scope(0, Ms(timeout));
    return SI_Write(ghUsbDevice, data, size, written) == SI_SUCCESS;
}

bool UsbReadChunk(uint8_t* data, uint32_t size, uint32_t* returned) {
    TimeoutScope scope(Ms(kReadTimeout), 0);
    return SI_Read(ghUsbDevice, data, size, returned) == SI_SUCCESS;
}

// Closes the attempt's device on every way out, exceptions included.
class DeviceScope {
public:
    DeviceScope() = default;
    ~DeviceScope() { SI_Close(ghUsbDevice); }
    DeviceScope(const DeviceScope&) = delete;
    DeviceScope& operator=(const DeviceScope&) = delete;
};

bool WriteRequest(uint8_t code, CommandBuffer& buffer, int requestLength) {
    const int chunks = (requestLength - 1) / kWriteChunk + 1;
    const auto timeout = WriteOnlyCommand(code) ? kWriteOnlyTimeout : kWriteTimeout;
    int sent = 0;
    for (int i = 0; i < chunks; ++i) {
        const int size = std::min(kWriteChunk, requestLength - sent);
        uint32_t written = 0;
        if (size <= 0 || !UsbWriteChunk(buffer.data() + sent, uint32_t(size), &written, timeout))
            return false;
        sent += int(written);
    }
    return true;
}

// Reads the reply. Data whose first byte is not the code, before anything was received, is a
// stray reply: skipped and read again, at most kUsbStrayReadLimit times in a row. A read that
// returns nothing counts as stray too: the code in byte 0 is still the request's own.
bool ReadReply(uint8_t code, CommandBuffer& buffer, int replyLength) {
    const int chunks = (replyLength - 1) / kReadChunk + 1;
    int received = 0;
    int strays = 0;
    for (int i = 0; i < chunks;) {
        const int size = std::min(kReadChunk, replyLength - received);
        uint32_t returned = 0;
        if (size <= 0 || !UsbReadChunk(buffer.data() + received, uint32_t(size), &returned))
            return false;
        if (received == 0 && (returned == 0 || buffer[0] != code)) {
            if (++strays >= kUsbStrayReadLimit)
                return false;
            continue;
        }
        strays = 0;
        received += int(returned);
        ++i;
    }
    return true;
}

// One attempt on an open device; the caller closes it.
bool UsbAttempt(uint8_t code, CommandBuffer& buffer, int replyLength, int requestLength) {
    const bool written = WriteRequest(code, buffer, requestLength);
    if (WriteOnlyCommand(code))
        return written;
    std::this_thread::sleep_for(kWriteReadPause);
    return written && ReadReply(code, buffer, replyLength);
}

} // namespace

bool UsbExchange(uint8_t code, CommandBuffer& buffer, int replyLength, int requestLength) {
    if (!LengthsFitBuffer(replyLength, requestLength))
        return false;
    // A failed or stray read may have overwritten the request; every attempt sends it as given.
    const CommandBuffer request = buffer;
    for (int attempt = 1; attempt <= kUsbAttempts; ++attempt) {
        buffer = request;
        ghUsbDevice = INVALID_HANDLE_VALUE;
        const SI_STATUS status = SI_Open(kDeviceIndex, &ghUsbDevice);
        if (status != SI_SUCCESS || ghUsbDevice == INVALID_HANDLE_VALUE) {
            SI_Close(ghUsbDevice);
            return false;
        }
        DeviceScope device;
        if (UsbAttempt(code, buffer, replyLength, requestLength))
            return true;
    }
    return false;
}
