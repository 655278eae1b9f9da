#pragma once
// The virtual instrument: the loop-resistance tester at protocol level. It takes whole request
// frames and answers them as the instrument does, keeps its stored records, offered steps, test
// parameters, a running test, its serial number and model identity, and can be told to
// misbehave (see SimFaults). It is the far end of the link: the pseudo-terminal server and the
// in-process USB device feed it, tests inspect the requests it received. Thread-safe.
#include "link/Protocol.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <array>
#include <cstdint>
#include <mutex>
#include <optional>

// One stored test as the instrument keeps it.
struct SimRecord : StoredTest {
    // The cmdReadRecord reply carrying this record.
    QByteArray frame() const { return EncodeRecord(*this); }
};

// Misbehaviour on demand. Every fault applies to replies of `onlyCode` (0: every command);
// write-only commands never get a reply, so only dieAfter touches them. dieAfter counts the
// requests from the start, or from the last setFaults.
struct SimFaults {
    bool noReply = false;
    int shortReply = -1;       // send only this many bytes of the reply (-1: the whole reply)
    QByteArray strayBefore{};  // bytes sent before the reply
    QByteArray surplusAfter{}; // bytes sent after the reply
    uint8_t pollStatus = 0;    // 0x81 or 0x82: every poll reports this fault instead of readings
    int dieAfter = -1;         // after this many requests the link is dead: nothing is answered
    uint8_t onlyCode = 0;
};

// What the instrument sends for one request. Over the serial link the three parts follow each
// other; over USB the stray bytes arrive as a packet of their own.
struct SimResponse {
    QByteArray stray;
    QByteArray reply;
    QByteArray surplus;
    bool empty() const { return stray.isEmpty() && reply.isEmpty() && surplus.isEmpty(); }
};

// Everything a virtual instrument starts with.
struct SimSetup {
    QList<QByteArray> records;                   // 37-byte record frames, at most 255
    std::array<uint8_t, kStepCount> stepFlags{}; // flag of step code k at index k-1; 1 = offered
    uint8_t identity = 1;                        // cmdIdentify: 1 "5731", 2 "qmvr", other: none
    SerialNumber serial{0x20, 0x24, 0x05, 0x31, 0x00, 0x00, 0x01, 0x23};
    QString usbSerialString = QStringLiteral("OH5731-000123"); // USB serial-number string
    uint32_t testMicroOhmTenths = 1235;                        // resistance of the contact under live test
    SimFaults faults;

    // Every step offered.
    static std::array<uint8_t, kStepCount> allSteps();
    // Flags offering exactly the given step codes.
    static std::array<uint8_t, kStepCount> steps(std::initializer_list<int> codes);
};

// Length of the request frame a code starts (1 for a code outside the command set).
int RequestFrameLength(uint8_t code);
// A few plausible stored records for the demo run.
QList<QByteArray> DemoRecords();

class VirtualInstrument {
public:
    explicit VirtualInstrument(SimSetup setup = {});

    // Answers one complete request frame (code and arguments) and logs it.
    SimResponse respond(const QByteArray& request);
    // Whether the link has died (SimFaults::dieAfter reached).
    bool dead() const;

    void setFaults(const SimFaults& faults);
    SimFaults faults() const;
    void setRecords(const QList<QByteArray>& records);
    QList<QByteArray> records() const;
    void setStepFlags(const std::array<uint8_t, kStepCount>& flags);
    void setIdentity(uint8_t identity);
    SerialNumber serial() const;
    QString usbSerialString() const;
    // The test parameters last set by cmdSetTestParams or cmdStartTest: time, step code.
    std::pair<uint8_t, uint8_t> testParams() const;
    bool testRunning() const;

    // The request frames received so far, in order (including those the faults left unanswered).
    QList<QByteArray> requests() const;
    // Their command codes.
    QList<uint8_t> requestCodes() const;
    void clearRequests();

private:
    QByteArray answer(const QByteArray& request);
    QByteArray pollReply();

    mutable std::mutex m_mutex;
    SimSetup m_setup;
    QList<QByteArray> m_requests;
    int m_handled = 0;
    uint8_t m_testTime = 10;
    uint8_t m_testStep = 1;
    bool m_testStarted = false;
    int m_pollsSinceStart = 0;
    uint8_t m_runTime = 0;
    uint8_t m_runStep = 0;
};
