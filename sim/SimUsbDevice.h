#pragma once
// The virtual instrument behind the in-process USB bridge: requests are cut from the written
// bytes by the command table; stray bytes arrive as a packet of their own before the reply, the
// reply and any surplus bytes follow in 64-byte packets. A dead link is a device that is gone.
#include "link/InProcessUsb.h"
#include "sim/VirtualInstrument.h"

#include <deque>
#include <memory>

class SimUsbDevice : public UsbDevice {
public:
    explicit SimUsbDevice(std::shared_ptr<VirtualInstrument> instrument);

    bool present() const override;
    QString productString(uint32_t option) const override;
    void opened() override;
    void received(const QByteArray& bytes) override;
    QByteArray nextPacket() override;

private:
    std::shared_ptr<VirtualInstrument> m_instrument;
    QByteArray m_pending;
    std::deque<QByteArray> m_packets;
};
