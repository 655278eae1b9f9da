#include "link/InProcessUsb.h"

#include <algorithm>
#include <cstring>

InProcessUsbBackend::InProcessUsbBackend(std::shared_ptr<UsbDevice> device) : m_device(std::move(device)) {}

SI_STATUS InProcessUsbBackend::getNumDevices(uint32_t* numDevices) {
    std::lock_guard lock(m_mutex);
    *numDevices = m_device->present() ? 1 : 0;
    return *numDevices ? SI_SUCCESS : SI_DEVICE_NOT_FOUND;
}

SI_STATUS InProcessUsbBackend::getProductString(uint32_t deviceNum, char* productString, uint32_t options) {
    std::lock_guard lock(m_mutex);
    if (deviceNum != 0 || !m_device->present())
        return SI_DEVICE_NOT_FOUND;
    if (options > SI_RETURN_PID)
        return SI_INVALID_PARAMETER;
    const QByteArray text = m_device->productString(options).toLatin1().left(SI_MAX_DEVICE_STRLEN);
    std::memcpy(productString, text.constData(), size_t(text.size()));
    productString[text.size()] = '\0';
    return SI_SUCCESS;
}

SI_STATUS InProcessUsbBackend::open(uint32_t deviceNum, HANDLE* handle) {
    std::lock_guard lock(m_mutex);
    ++m_opens;
    *handle = INVALID_HANDLE_VALUE;
    if (deviceNum != 0 || !m_device->present())
        return SI_DEVICE_NOT_FOUND;
    if (m_handle != INVALID_HANDLE_VALUE)
        return SI_DEVICE_IO_FAILED;
    m_handle = *handle = m_nextHandle++;
    m_leftover.clear();
    m_device->opened();
    return SI_SUCCESS;
}

SI_STATUS InProcessUsbBackend::close(HANDLE handle) {
    std::lock_guard lock(m_mutex);
    ++m_closes;
    if (handle == INVALID_HANDLE_VALUE || handle != m_handle)
        return SI_INVALID_HANDLE;
    m_handle = INVALID_HANDLE_VALUE;
    return SI_SUCCESS;
}

SI_STATUS InProcessUsbBackend::write(HANDLE handle, const uint8_t* buffer, uint32_t count,
                                     uint32_t* written) {
    std::lock_guard lock(m_mutex);
    *written = 0;
    if (handle == INVALID_HANDLE_VALUE || handle != m_handle)
        return SI_INVALID_HANDLE;
    if (!m_device->present())
        return SI_WRITE_ERROR;
    m_device->received(QByteArray(reinterpret_cast<const char*>(buffer), qsizetype(count)));
    *written = count;
    return SI_SUCCESS;
}

SI_STATUS InProcessUsbBackend::read(HANDLE handle, uint8_t* buffer, uint32_t count, uint32_t* returned) {
    std::lock_guard lock(m_mutex);
    *returned = 0;
    if (handle == INVALID_HANDLE_VALUE || handle != m_handle)
        return SI_INVALID_HANDLE;
    if (m_leftover.isEmpty())
        m_leftover = m_device->nextPacket().left(kPacketSize);
    if (m_leftover.isEmpty())
        return SI_READ_TIMED_OUT;
    const auto n = std::min<uint32_t>(count, uint32_t(m_leftover.size()));
    std::memcpy(buffer, m_leftover.constData(), n);
    m_leftover.remove(0, qsizetype(n));
    *returned = n;
    return SI_SUCCESS;
}

SI_STATUS InProcessUsbBackend::getTimeouts(uint32_t* readTimeout, uint32_t* writeTimeout) {
    std::lock_guard lock(m_mutex);
    *readTimeout = m_readTimeout;
    *writeTimeout = m_writeTimeout;
    return SI_SUCCESS;
}

SI_STATUS InProcessUsbBackend::setTimeouts(uint32_t readTimeout, uint32_t writeTimeout) {
    std::lock_guard lock(m_mutex);
    m_readTimeout = readTimeout;
    m_writeTimeout = writeTimeout;
    return SI_SUCCESS;
}

int InProcessUsbBackend::openCount() const {
    std::lock_guard lock(m_mutex);
    return m_opens;
}

int InProcessUsbBackend::closeCount() const {
    std::lock_guard lock(m_mutex);
    return m_closes;
}

bool InProcessUsbBackend::isOpen() const {
    std::lock_guard lock(m_mutex);
    return m_handle != INVALID_HANDLE_VALUE;
}
