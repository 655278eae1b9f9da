#pragma once
// A USB bridge whose one device lives in this process: the virtual instrument in tests and in
// the demo run. The backend keeps the bridge's rules (one open handle at a time, the time-out
// pair, reads that return one packet of at most 64 bytes with leftover bytes kept for the next
// read, a read with nothing to send ends in a read time-out); the device only turns written
// bytes into packets.
#include "link/SiUsbXp.h"

#include <QByteArray>
#include <QString>
#include <deque>
#include <memory>
#include <mutex>

class UsbDevice {
public:
    virtual ~UsbDevice() = default;
    // False once the device is gone: it is no longer counted and cannot be opened.
    virtual bool present() const { return true; }
    // SI_GetProductString option 0 serial number, 1 description, 2 link name, 3 VID, 4 PID.
    virtual QString productString(uint32_t option) const = 0;
    // The device was opened: whatever it still held for an earlier handle is dropped.
    virtual void opened() {}
    // The bytes of one write.
    virtual void received(const QByteArray& bytes) = 0;
    // The next packet the device sends, or nothing.
    virtual QByteArray nextPacket() = 0;
};

class InProcessUsbBackend : public UsbBackend {
public:
    explicit InProcessUsbBackend(std::shared_ptr<UsbDevice> device);

    SI_STATUS getNumDevices(uint32_t* numDevices) override;
    SI_STATUS getProductString(uint32_t deviceNum, char* productString, uint32_t options) override;
    SI_STATUS open(uint32_t deviceNum, HANDLE* handle) override;
    SI_STATUS close(HANDLE handle) override;
    SI_STATUS write(HANDLE handle, const uint8_t* buffer, uint32_t count, uint32_t* written) override;
    SI_STATUS read(HANDLE handle, uint8_t* buffer, uint32_t count, uint32_t* returned) override;
    SI_STATUS getTimeouts(uint32_t* readTimeout, uint32_t* writeTimeout) override;
    SI_STATUS setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) override;

    int openCount() const;
    int closeCount() const;
    bool isOpen() const;

private:
    static constexpr uint32_t kPacketSize = 64;
    mutable std::mutex m_mutex;
    std::shared_ptr<UsbDevice> m_device;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    HANDLE m_nextHandle = 1;
    QByteArray m_leftover;
    uint32_t m_readTimeout = 1000;
    uint32_t m_writeTimeout = 1000;
    int m_opens = 0;
    int m_closes = 0;
};
