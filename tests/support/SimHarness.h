#pragma once
// The virtual instrument for tests: the far end of the link, answering from its own thread while
// the program's exchange blocks the test's (GUI) thread.
//
//   TempProgramDir dir;                      // ExecutableDir() -> a temporary folder
//   SimSetup setup;                          // what the instrument holds (sim/VirtualInstrument.h)
//   setup.records = {SimRecord{QDateTime(...), "QF1", "LI", "LAB", 1, 5, 1234}.frame()};
//   setup.stepFlags = SimSetup::steps({1, 7});
//   setup.identity = 2;  setup.serial = {...};  setup.faults.shortReply = 1;
//   SerialSim sim(setup);                    // serves a fresh pseudo-terminal (QVERIFY(sim.ok()))
//   sim.pointProgramAt(3);                   // giCommStyle 1, giCommPort 3 (and [Communication] in
//                                            // SystemFile.ini), [SerialPorts] COM3=/dev/pts/N
//   ... SendCommand(...) or a window's handler ...
//   sim.requests();                          // every request frame received, in order
//   sim.requestCodes();                      // their codes, e.g. QVERIFY(!codes.contains(0xF2))
//   sim.setFaults(SimFaults{.noReply = true}); // from the next request on
//   sim.instrument().serial();               // the model itself: records(), testParams(), ...
//   sim.stop();                              // or let the destructor do it
//
//   UsbSim usb(setup, 20ms);                 // the same model behind the in-process USB bridge
//                                            // (answering each request that much later),
//                                            // installed (giCommStyle 0) until usb is destroyed;
//   usb.openCount(), usb.closeCount()        // plus requests(), setFaults(), instrument()
#include "link/InProcessUsb.h"
#include "sim/PtyServer.h"
#include "sim/VirtualInstrument.h"

#include <chrono>
#include <memory>

class SimFixture {
public:
    QList<QByteArray> requests() const { return m_instrument->requests(); }
    QList<uint8_t> requestCodes() const { return m_instrument->requestCodes(); }
    void clearRequests() { m_instrument->clearRequests(); }
    // New faults apply from the next request; the count of SimFaults::dieAfter starts again.
    void setFaults(const SimFaults& faults) { m_instrument->setFaults(faults); }
    VirtualInstrument& instrument() { return *m_instrument; }

protected:
    explicit SimFixture(const SimSetup& setup);
    std::shared_ptr<VirtualInstrument> m_instrument;
};

class SerialSim : public SimFixture {
public:
    explicit SerialSim(const SimSetup& setup = {});
    ~SerialSim();
    SerialSim(const SerialSim&) = delete;
    SerialSim& operator=(const SerialSim&) = delete;

    bool ok() const { return m_server.running(); }
    QString devicePath() const { return m_server.devicePath(); }
    // Makes port `port` of the program this pseudo-terminal: sets giCommStyle 1 and giCommPort,
    // giBaudRate too when baudIndex > 0, writes them to [Communication] of SystemFile.ini in
    // ExecutableDir() (so LoadSettings keeps them) and maps COM<port> in [SerialPorts].
    void pointProgramAt(int port = 3, int baudIndex = 0);
    // Paces replies at a fixed rate instead of the rate the program set (<0: no pacing).
    void setBaudRate(int baud) { m_server.setBaudRate(baud); }
    // Hangs up: the program's open port fails, later opens find no device.
    void stop();

private:
    PtyServer m_server;
    int m_pointedPort = 0;
};

class UsbSim : public SimFixture {
public:
    explicit UsbSim(const SimSetup& setup = {}, std::chrono::milliseconds replyDelay = {});
    ~UsbSim();
    UsbSim(const UsbSim&) = delete;
    UsbSim& operator=(const UsbSim&) = delete;

    // Sets giCommStyle 0 and writes it to [Communication] of SystemFile.ini in ExecutableDir().
    void pointProgramAt();
    int openCount() const { return m_backend->openCount(); }
    int closeCount() const { return m_backend->closeCount(); }
    InProcessUsbBackend& backend() { return *m_backend; }

private:
    std::shared_ptr<InProcessUsbBackend> m_backend;
    std::shared_ptr<UsbBackend> m_previous;
};
