#include "link/LibusbBackend.h"

#include <QString>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <libusb.h>

namespace {

using namespace std::chrono_literals;
constexpr auto kControlTimeout = 1000ms;
constexpr int kInterface = 0;
constexpr int kPacketSize = 64;
// The bridge's vendor requests.
constexpr uint8_t kVendorOut = 0x40;
constexpr uint8_t kRequestEnable = 0x00;
constexpr uint16_t kEnableValue = 0xFFFF;
constexpr uint8_t kRequestControl = 0x02;
constexpr uint16_t kOpenValue = 0x0002;
constexpr uint16_t kCloseValue = 0x0004;

bool VendorRequest(libusb_device_handle* device, uint8_t request, uint16_t value) {
    return libusb_control_transfer(device, kVendorOut, request, value, 0, nullptr, 0,
                                   unsigned(kControlTimeout.count())) >= 0;
}

// Bulk IN and OUT endpoints of interface 0, alternate setting 0.
bool FindEndpoints(libusb_device* device, uint8_t* in, uint8_t* out) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != 0 &&
        libusb_get_config_descriptor(device, 0, &config) != 0)
        return false;
    *in = *out = 0;
    if (config->bNumInterfaces > kInterface && config->interface[kInterface].num_altsetting > 0) {
        const libusb_interface_descriptor& alt = config->interface[kInterface].altsetting[0];
        for (int i = 0; i < alt.bNumEndpoints; ++i) {
            const libusb_endpoint_descriptor& ep = alt.endpoint[i];
            if ((ep.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) != LIBUSB_TRANSFER_TYPE_BULK)
                continue;
            if (ep.bEndpointAddress & LIBUSB_ENDPOINT_IN)
                *in = *in ? *in : ep.bEndpointAddress;
            else
                *out = *out ? *out : ep.bEndpointAddress;
        }
    }
    libusb_free_config_descriptor(config);
    return *in != 0 && *out != 0;
}

QString StringDescriptor(libusb_device_handle* device, uint8_t index) {
    unsigned char text[256] = {};
    if (index == 0)
        return {};
    const int n = libusb_get_string_descriptor_ascii(device, index, text, sizeof text);
    return n > 0 ? QString::fromLatin1(reinterpret_cast<const char*>(text), n) : QString();
}

} // namespace

LibusbBackend::LibusbBackend() {
    if (libusb_init(&m_context) != 0)
        m_context = nullptr;
}

LibusbBackend::~LibusbBackend() {
    release();
    if (m_context)
        libusb_exit(m_context);
}

libusb_device* LibusbBackend::findDevice(uint32_t deviceNum, uint32_t* count) {
    if (count)
        *count = 0;
    if (!m_context)
        return nullptr;
    libusb_device** list = nullptr;
    const ssize_t n = libusb_get_device_list(m_context, &list);
    libusb_device* found = nullptr;
    uint32_t seen = 0;
    for (ssize_t i = 0; i < n; ++i) {
        libusb_device_descriptor desc{};
        if (libusb_get_device_descriptor(list[i], &desc) != 0 || desc.idVendor != kVendorId ||
            desc.idProduct != kProductId)
            continue;
        if (seen++ == deviceNum && !found)
            found = libusb_ref_device(list[i]);
    }
    if (n >= 0)
        libusb_free_device_list(list, 1);
    if (count)
        *count = seen;
    return found;
}

SI_STATUS LibusbBackend::getNumDevices(uint32_t* numDevices) {
    libusb_device* device = findDevice(0, numDevices);
    if (device)
        libusb_unref_device(device);
    return *numDevices ? SI_SUCCESS : SI_DEVICE_NOT_FOUND;
}

SI_STATUS LibusbBackend::getProductString(uint32_t deviceNum, char* productString, uint32_t options) {
    if (options > SI_RETURN_PID)
        return SI_INVALID_PARAMETER;
    libusb_device* device = findDevice(deviceNum);
    if (!device)
        return SI_DEVICE_NOT_FOUND;
    libusb_device_descriptor desc{};
    libusb_get_device_descriptor(device, &desc);
    QString text;
    SI_STATUS status = SI_SUCCESS;
    if (options == SI_RETURN_VID || options == SI_RETURN_PID) {
        text = QString::asprintf("%04x", options == SI_RETURN_VID ? desc.idVendor : desc.idProduct);
    } else if (options == SI_RETURN_LINK_NAME) {
        text = QString::asprintf("usb-%03u-%03u", libusb_get_bus_number(device),
                                 libusb_get_device_address(device));
    } else {
        // Strings need an open device: the one already open, or a short-lived handle.
        libusb_device_handle* handle = m_device && libusb_get_device(m_device) == device ? m_device : nullptr;
        const bool own = !handle;
        if (own && libusb_open(device, &handle) != 0)
            handle = nullptr;
        if (handle)
            text = StringDescriptor(handle,
                                    options == SI_RETURN_SERIAL_NUMBER ? desc.iSerialNumber : desc.iProduct);
        else
            status = SI_DEVICE_IO_FAILED;
        if (handle && own)
            libusb_close(handle);
    }
    libusb_unref_device(device);
    const QByteArray bytes = text.toLatin1().left(SI_MAX_DEVICE_STRLEN);
    std::memcpy(productString, bytes.constData(), size_t(bytes.size()));
    productString[bytes.size()] = '\0';
    return status;
}

SI_STATUS LibusbBackend::open(uint32_t deviceNum, HANDLE* handle) {
    *handle = INVALID_HANDLE_VALUE;
    if (m_device)
        return SI_DEVICE_IO_FAILED;
    libusb_device* device = findDevice(deviceNum);
    if (!device)
        return SI_DEVICE_NOT_FOUND;
    const bool found = FindEndpoints(device, &m_endpointIn, &m_endpointOut);
    const bool opened = found && libusb_open(device, &m_device) == 0;
    libusb_unref_device(device);
    if (!opened) {
        m_device = nullptr;
        return SI_DEVICE_IO_FAILED;
    }
    libusb_set_auto_detach_kernel_driver(m_device, 1);
    if (libusb_claim_interface(m_device, kInterface) != 0) {
        libusb_close(m_device);
        m_device = nullptr;
        return SI_DEVICE_IO_FAILED;
    }
    const bool ready = VendorRequest(m_device, kRequestEnable, kEnableValue) &&
                       libusb_clear_halt(m_device, m_endpointIn) == 0 &&
                       libusb_clear_halt(m_device, m_endpointOut) == 0 &&
                       VendorRequest(m_device, kRequestControl, kOpenValue);
    if (!ready) {
        release();
        return SI_DEVICE_IO_FAILED;
    }
    m_leftover.clear();
    m_handle = *handle = m_nextHandle++;
    return SI_SUCCESS;
}

void LibusbBackend::release() {
    if (!m_device)
        return;
    libusb_release_interface(m_device, kInterface);
    libusb_close(m_device);
    m_device = nullptr;
    m_handle = INVALID_HANDLE_VALUE;
    m_leftover.clear();
}

SI_STATUS LibusbBackend::close(HANDLE handle) {
    if (!m_device || handle != m_handle)
        return SI_INVALID_HANDLE;
    VendorRequest(m_device, kRequestControl, kCloseValue);
    release();
    return SI_SUCCESS;
}

SI_STATUS LibusbBackend::write(HANDLE handle, const uint8_t* buffer, uint32_t count, uint32_t* written) {
    *written = 0;
    if (!m_device || handle != m_handle)
        return SI_INVALID_HANDLE;
    int transferred = 0;
    const int r = libusb_bulk_transfer(m_device, m_endpointOut, const_cast<uint8_t*>(buffer), int(count),
                                       &transferred, m_writeTimeout);
    *written = uint32_t(std::max(0, transferred));
    if (r == LIBUSB_SUCCESS)
        return SI_SUCCESS;
    return r == LIBUSB_ERROR_TIMEOUT ? SI_WRITE_TIMED_OUT : SI_WRITE_ERROR;
}

SI_STATUS LibusbBackend::read(HANDLE handle, uint8_t* buffer, uint32_t count, uint32_t* returned) {
    *returned = 0;
    if (!m_device || handle != m_handle)
        return SI_INVALID_HANDLE;
    if (m_leftover.isEmpty()) {
        unsigned char packet[kPacketSize];
        int got = 0;
        const int r = libusb_bulk_transfer(m_device, m_endpointIn, packet, kPacketSize, &got, m_readTimeout);
        if (got > 0)
            m_leftover = QByteArray(reinterpret_cast<const char*>(packet), got);
        else if (r == LIBUSB_ERROR_TIMEOUT)
            return SI_READ_TIMED_OUT;
        else if (r != LIBUSB_SUCCESS)
            return SI_READ_ERROR;
    }
    const auto n = std::min<uint32_t>(count, uint32_t(m_leftover.size()));
    std::memcpy(buffer, m_leftover.constData(), n);
    m_leftover.remove(0, qsizetype(n));
    *returned = n;
    return SI_SUCCESS;
}

SI_STATUS LibusbBackend::getTimeouts(uint32_t* readTimeout, uint32_t* writeTimeout) {
    *readTimeout = m_readTimeout;
    *writeTimeout = m_writeTimeout;
    return SI_SUCCESS;
}

SI_STATUS LibusbBackend::setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) {
    m_readTimeout = readTimeout;
    m_writeTimeout = writeTimeout;
    return SI_SUCCESS;
}
