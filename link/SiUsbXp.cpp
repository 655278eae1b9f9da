#include "link/SiUsbXp.h"

#include "core/GbkText.h"

#include <array>
#include <cstring>

#include "link/LibusbBackend.h"

namespace {

std::shared_ptr<UsbBackend>& slot() {
    static std::shared_ptr<UsbBackend> backend;
    return backend;
}

// The installed backend; real hardware through libusb when none was chosen.
std::shared_ptr<UsbBackend> installed() {
    if (!slot())
        slot() = std::make_shared<LibusbBackend>();
    return slot();
}

} // namespace

std::shared_ptr<UsbBackend> SetUsbBackend(std::shared_ptr<UsbBackend> backend) {
    std::shared_ptr<UsbBackend> previous = slot();
    slot() = std::move(backend);
    return previous;
}

std::shared_ptr<UsbBackend> CurrentUsbBackend() {
    return installed();
}

SI_STATUS SI_GetNumDevices(uint32_t* numDevices) {
    auto b = installed();
    return b ? b->getNumDevices(numDevices) : SI_DEVICE_NOT_FOUND;
}

SI_STATUS SI_GetProductString(uint32_t deviceNum, char* productString, uint32_t options) {
    auto b = installed();
    return b ? b->getProductString(deviceNum, productString, options) : SI_DEVICE_NOT_FOUND;
}

SI_STATUS SI_Open(uint32_t deviceNum, HANDLE* handle) {
    auto b = installed();
    if (!b) {
        *handle = INVALID_HANDLE_VALUE;
        return SI_DEVICE_NOT_FOUND;
    }
    return b->open(deviceNum, handle);
}

SI_STATUS SI_Close(HANDLE handle) {
    auto b = installed();
    return b ? b->close(handle) : SI_INVALID_HANDLE;
}

SI_STATUS SI_Write(HANDLE handle, void* buffer, uint32_t bytesToWrite, uint32_t* bytesWritten) {
    auto b = installed();
    return b ? b->write(handle, static_cast<const uint8_t*>(buffer), bytesToWrite, bytesWritten)
             : SI_INVALID_HANDLE;
}

SI_STATUS SI_Read(HANDLE handle, void* buffer, uint32_t bytesToRead, uint32_t* bytesReturned) {
    auto b = installed();
    return b ? b->read(handle, static_cast<uint8_t*>(buffer), bytesToRead, bytesReturned) : SI_INVALID_HANDLE;
}

SI_STATUS SI_GetTimeouts(uint32_t* readTimeout, uint32_t* writeTimeout) {
    auto b = installed();
    return b ? b->getTimeouts(readTimeout, writeTimeout) : SI_DEVICE_NOT_FOUND;
}

SI_STATUS SI_SetTimeouts(uint32_t readTimeout, uint32_t writeTimeout) {
    auto b = installed();
    return b ? b->setTimeouts(readTimeout, writeTimeout) : SI_DEVICE_NOT_FOUND;
}

std::optional<QString> UsbSerialNumberString() {
    uint32_t devices = 0;
    std::array<char, SI_MAX_DEVICE_STRLEN + 1> serial{};
    if (SI_GetNumDevices(&devices) != SI_SUCCESS ||
        SI_GetProductString(0, serial.data(), SI_RETURN_SERIAL_NUMBER) != SI_SUCCESS)
        return std::nullopt;
    serial.back() = '\0';
    return Gbk::decode(QByteArray(serial.data(), qsizetype(std::strlen(serial.data()))));
}
