#include "tests/support/SimHarness.h"

#include "core/ProfileFile.h"
#include "core/UDataCenter.h"
#include "sim/SimUsbDevice.h"

#include <functional>

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

UsbSim::UsbSim(const SimSetup& setup)
    : SimFixture(setup),
      m_backend(std::make_shared<InProcessUsbBackend>(std::make_shared<SimUsbDevice>(m_instrument))) {
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
