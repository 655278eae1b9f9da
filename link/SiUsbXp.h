#pragma once
// The USB bridge function set the program relies on: names and meanings of the bridge vendor's
// library (status 0 is success, the invalid handle has all bits set). The calls forward to the
// backend installed at run time: libusb for real devices, or an in-process device object.
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

using SI_STATUS = int;
using HANDLE = uint32_t;
constexpr SI_STATUS SI_SUCCESS = 0x00;
constexpr SI_STATUS SI_DEVICE_NOT_FOUND = 0xFF;
constexpr SI_STATUS SI_INVALID_HANDLE = 0x01;
constexpr SI_STATUS SI_READ_ERROR = 0x02;
constexpr SI_STATUS SI_RX_QUEUE_NOT_READY = 0x03;
constexpr SI_STATUS SI_WRITE_ERROR = 0x04;
constexpr SI_STATUS SI_RESET_ERROR = 0x05;
constexpr SI_STATUS SI_INVALID_PARAMETER = 0x06;
constexpr SI_STATUS SI_INVALID_REQUEST_LENGTH = 0x07;
constexpr SI_STATUS SI_DEVICE_IO_FAILED = 0x08;
constexpr SI_STATUS SI_INVALID_BAUDRATE = 0x09;
constexpr SI_STATUS SI_FUNCTION_NOT_SUPPORTED = 0x0A;
constexpr SI_STATUS SI_GLOBAL_DATA_ERROR = 0x0B;
constexpr SI_STATUS SI_SYSTEM_ERROR_CODE = 0x0C;
constexpr SI_STATUS SI_READ_TIMED_OUT = 0x0D;
constexpr SI_STATUS SI_WRITE_TIMED_OUT = 0x0E;
constexpr SI_STATUS SI_IO_PENDING = 0x0F;
constexpr HANDLE INVALID_HANDLE_VALUE = 0xFFFFFFFFu;

constexpr uint32_t SI_RETURN_SERIAL_NUMBER = 0x00;
constexpr uint32_t SI_RETURN_DESCRIPTION = 0x01;
constexpr uint32_t SI_RETURN_LINK_NAME = 0x02;
constexpr uint32_t SI_RETURN_VID = 0x03;
constexpr uint32_t SI_RETURN_PID = 0x04;
constexpr int SI_MAX_DEVICE_STRLEN = 256;

SI_STATUS SI_GetNumDevices(uint32_t* numDevices);
SI_STATUS SI_GetProductString(uint32_t deviceNum, char* productString, uint32_t options);
SI_STATUS SI_Open(uint32_t deviceNum, HANDLE* handle);
SI_STATUS SI_Close(HANDLE handle);
SI_STATUS SI_Write(HANDLE handle, void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten);
SI_STATUS SI_Read(HANDLE handle, void* buffer, uint32_t bytesToRead, uint32_t* bytesReturned);
SI_STATUS SI_GetTimeouts(uint32_t* readTimeout, uint32_t* writeTimeout);
SI_STATUS SI_SetTimeouts(uint32_t readTimeout, uint32_t writeTimeout);

// A USB bridge implementation. The functions above forward to the installed one.
class UsbBackend {
public:
    virtual ~UsbBackend() = default;
    virtual SI_STATUS getNumDevices(uint32_t* numDevices) = 0;
    virtual SI_STATUS getProductString(uint32_t deviceNum, char* productString, uint32_t options) = 0;
    virtual SI_STATUS open(uint32_t deviceNum, HANDLE* handle) = 0;
    virtual SI_STATUS close(HANDLE handle) = 0;
    virtual SI_STATUS write(HANDLE handle, const uint8_t* buffer, uint32_t count, uint32_t* written) = 0;
    virtual SI_STATUS read(HANDLE handle, uint8_t* buffer, uint32_t count, uint32_t* returned) = 0;
    virtual SI_STATUS getTimeouts(uint32_t* readTimeout, uint32_t* writeTimeout) = 0;
    virtual SI_STATUS setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) = 0;
};

// Installs the backend the SI_ functions use (nullptr: the libusb backend); returns the old one.
std::shared_ptr<UsbBackend> SetUsbBackend(std::shared_ptr<UsbBackend> backend);
std::shared_ptr<UsbBackend> CurrentUsbBackend();

// The serial-number string of device 0 (SI_GetNumDevices, then SI_GetProductString with option 0),
// decoded from GBK up to its first zero byte; nothing when either call fails.
std::optional<QString> UsbSerialNumberString();
