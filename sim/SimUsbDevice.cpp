#include "sim/SimUsbDevice.h"

#include "link/Protocol.h"

namespace {
constexpr int kPacketSize = 64;
}

SimUsbDevice::SimUsbDevice(std::shared_ptr<VirtualInstrument> instrument)
    : m_instrument(std::move(instrument)) {}

bool SimUsbDevice::present() const {
    return !m_instrument->dead();
}

QString SimUsbDevice::productString(uint32_t option) const {
    switch (option) {
    case SI_RETURN_SERIAL_NUMBER:
        return m_instrument->usbSerialString();
    case SI_RETURN_DESCRIPTION:
        return QStringLiteral("Loop Resistance Tester");
    case SI_RETURN_LINK_NAME:
        return QStringLiteral("usb-sim-0");
    case SI_RETURN_VID:
        return QStringLiteral("10c4");
    case SI_RETURN_PID:
        return QStringLiteral("ea61");
    default:
        return {};
    }
}

void SimUsbDevice::opened() {
    m_pending.clear();
    m_packets.clear();
}

void SimUsbDevice::received(const QByteArray& bytes) {
    m_pending += bytes;
    while (!m_pending.isEmpty()) {
        const int length = RequestFrameLength(uint8_t(m_pending.at(0)));
        if (m_pending.size() < length)
            return;
        const SimResponse response = m_instrument->respond(m_pending.left(length));
        m_pending.remove(0, length);
        if (!response.stray.isEmpty())
            m_packets.push_back(response.stray.left(kPacketSize));
        const QByteArray rest = response.reply + response.surplus;
        for (qsizetype at = 0; at < rest.size(); at += kPacketSize)
            m_packets.push_back(rest.mid(at, kPacketSize));
    }
}

QByteArray SimUsbDevice::nextPacket() {
    if (m_packets.empty())
        return {};
    QByteArray packet = m_packets.front();
    m_packets.pop_front();
    return packet;
}
