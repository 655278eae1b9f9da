#include "tests/support/SimHarness.h"

#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "sim/SimUsbDevice.h"

#include <functional>
#include <thread>

namespace {

const QString kCommunication = QStringLiteral("Communication");

void WriteLinkSettings(const std::function<void(ProfileFile&)>& edit) {
    ProfileFile ini(SettingsFilePath());
    if (!ini.load() || (edit(ini), !ini.save()))
        qFatal("the settings file %s cannot be written", qPrintable(ini.path()));
}

} // namespace

SimFixture::SimFixture(const SimSetup& setup) : m_instrument(std::make_shared<VirtualInstrument>(setup)) {}

SerialSim::SerialSim(const SimSetup& setup) : SimFixture(setup), m_server(m_instrument) {
    m_server.start();
}

SerialSim::~SerialSim() {
    m_server.stop();
}

void SerialSim::pointProgramAt(int port, int baudIndex) {
    m_pointedPort = port;
    giCommStyle = 1;
    giCommPort = port;
    if (baudIndex > 0)
        giBaudRate = baudIndex;
    WriteLinkSettings([&](ProfileFile& ini) {
        ini.setInteger(kCommunication, QStringLiteral("giCommStyle"), giCommStyle);
        ini.setInteger(kCommunication, QStringLiteral("giCommPort"), giCommPort);
        ini.setInteger(kCommunication, QStringLiteral("giBaudRate"), giBaudRate);
        ini.setValue(QStringLiteral("SerialPorts"), QStringLiteral("COM%1").arg(port), devicePath());
    });
}

void SerialSim::stop() {
    const QString path = devicePath();
    m_server.stop();
    // The kernel hands a freed pseudo-terminal's number to the next one opened, perhaps by a test
    // running beside this one: the program's port now names a device that cannot come back.
    if (m_pointedPort > 0)
        WriteLinkSettings([&](ProfileFile& ini) {
            ini.setValue(QStringLiteral("SerialPorts"), QStringLiteral("COM%1").arg(m_pointedPort),
                         path + QStringLiteral(".gone"));
        });
}

namespace {

// A device that takes its time over each request, as a slow instrument does.
class SlowUsbDevice : public UsbDevice {
public:
    SlowUsbDevice(std::shared_ptr<UsbDevice> device, std::chrono::milliseconds delay)
        : m_device(std::move(device)), m_delay(delay) {}
    bool present() const override { return m_device->present(); }
    QString productString(uint32_t option) const override { return m_device->productString(option); }
    void opened() override { m_device->opened(); }
    void received(const QByteArray& bytes) override {
        std::this_thread::sleep_for(m_delay);
        m_device->received(bytes);
    }
    QByteArray nextPacket() override { return m_device->nextPacket(); }

private:
    std::shared_ptr<UsbDevice> m_device;
    std::chrono::milliseconds m_delay;
};

std::shared_ptr<UsbDevice> UsbDeviceOf(std::shared_ptr<VirtualInstrument> instrument,
                                       std::chrono::milliseconds delay) {
    auto device = std::make_shared<SimUsbDevice>(std::move(instrument));
    if (delay.count() <= 0)
        return device;
    return std::make_shared<SlowUsbDevice>(std::move(device), delay);
}

} // namespace

UsbSim::UsbSim(const SimSetup& setup, std::chrono::milliseconds replyDelay)
    : SimFixture(setup),
      m_backend(std::make_shared<InProcessUsbBackend>(UsbDeviceOf(m_instrument, replyDelay))) {
    m_previous = SetUsbBackend(m_backend);
    giCommStyle = 0;
}

UsbSim::~UsbSim() {
    SetUsbBackend(m_previous);
}

void UsbSim::pointProgramAt() {
    giCommStyle = 0;
    WriteLinkSettings(
        [](ProfileFile& ini) { ini.setInteger(kCommunication, QStringLiteral("giCommStyle"), 0); });
}
