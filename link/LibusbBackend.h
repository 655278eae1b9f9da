#pragma once
// The USB bridge on real hardware through libusb-1.0. Device n is the n-th device with vendor
// 0x10C4 and product 0xEA61 in libusb's list. Opening detaches the kernel's serial driver (it
// claims the same id), claims interface 0, takes the bulk endpoints from interface 0, alternate
// setting 0, and sends the bridge's open requests; closing sends its close request. Reads come
// in 64-byte packets; what a read does not take is kept for the next one.
//
// Access without root needs a udev rule such as
//   SUBSYSTEM=="usb", ATTR{idVendor}=="10c4", ATTR{idProduct}=="ea61", MODE="0666"
// in /etc/udev/rules.d/70-ohmara.rules.
#include "link/SiUsbXp.h"

#include <QByteArray>

struct libusb_context;
struct libusb_device;
struct libusb_device_handle;

class LibusbBackend : public UsbBackend {
public:
    LibusbBackend();
    ~LibusbBackend() override;
    LibusbBackend(const LibusbBackend&) = delete;
    LibusbBackend& operator=(const LibusbBackend&) = delete;

    SI_STATUS getNumDevices(uint32_t* numDevices) override;
    SI_STATUS getProductString(uint32_t deviceNum, char* productString, uint32_t options) override;
    SI_STATUS open(uint32_t deviceNum, HANDLE* handle) override;
    SI_STATUS close(HANDLE handle) override;
    SI_STATUS write(HANDLE handle, const uint8_t* buffer, uint32_t count, uint32_t* written) override;
    SI_STATUS read(HANDLE handle, uint8_t* buffer, uint32_t count, uint32_t* returned) override;
    SI_STATUS getTimeouts(uint32_t* readTimeout, uint32_t* writeTimeout) override;
    SI_STATUS setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) override;

    static constexpr uint16_t kVendorId = 0x10C4;
    static constexpr uint16_t kProductId = 0xEA61;

private:
    // The deviceNum-th bridge, referenced (the caller unrefs it), or nullptr.
    libusb_device* findDevice(uint32_t deviceNum, uint32_t* count = nullptr);
    void release();

    libusb_context* m_context = nullptr;
    libusb_device_handle* m_device = nullptr;
    HANDLE m_handle = INVALID_HANDLE_VALUE;
    HANDLE m_nextHandle = 1;
    uint8_t m_endpointIn = 0;
    uint8_t m_endpointOut = 0;
    QByteArray m_leftover;
    uint32_t m_readTimeout = 1000;
    uint32_t m_writeTimeout = 1000;
};
