#include "sim/VirtualInstrument.h"

#include "core/UDataCenter.h"
#include "link/Protocol.h"

#include <cmath>

namespace {

constexpr int kMaxRecords = 255;
} // namespace

int RequestFrameLength(uint8_t code) {
    const CommandFrame* frame = FindCommandFrame(code);
    return frame ? frame->requestLength : 1;
}

std::array<uint8_t, kStepCount> SimSetup::allSteps() {
    std::array<uint8_t, kStepCount> flags;
    flags.fill(1);
    return flags;
}

std::array<uint8_t, kStepCount> SimSetup::steps(std::initializer_list<int> codes) {
    std::array<uint8_t, kStepCount> flags{};
    for (int code : codes)
        if (code >= 1 && code <= kStepCount)
            flags[size_t(code - 1)] = 1;
    return flags;
}

QList<QByteArray> DemoRecords() {
    const QDate day(2024, 5, 17);
    const QList<SimRecord> tests{
        {QDateTime(day, QTime(9, 12)), "QF101", "ZHANG", "SUB1", 1, 5, 1234},
        {QDateTime(day, QTime(9, 20)), "QF102", "ZHANG", "SUB1", 1, 5, 1187},
        {QDateTime(day, QTime(10, 2)), "QF201", "LI", "SUB2", 2, 10, 856},
        {QDateTime(day.addDays(1), QTime(14, 45)), "GIS3A", "WANG", "LAB1", 7, 30, 35021},
        {QDateTime(day.addDays(1), QTime(15, 5)), "GIS3B", "WANG", "LAB1", 16, 60, 987654},
    };
    QList<QByteArray> frames;
    for (const SimRecord& r : tests)
        frames.append(r.frame());
    return frames;
}

VirtualInstrument::VirtualInstrument(SimSetup setup) : m_setup(std::move(setup)) {
    if (m_setup.records.size() > kMaxRecords)
        m_setup.records.resize(kMaxRecords);
}

SimResponse VirtualInstrument::respond(const QByteArray& request) {
    std::lock_guard lock(m_mutex);
    m_requests.append(request);
    const SimFaults& f = m_setup.faults;
    if (f.dieAfter >= 0 && m_handled >= f.dieAfter)
        return {};
    ++m_handled;
    QByteArray reply = answer(request);
    if (reply.isEmpty())
        return {};
    const auto code = uint8_t(request.at(0));
    if (f.onlyCode != 0 && f.onlyCode != code)
        return {{}, reply, {}};
    if (f.noReply)
        return {};
    if (f.shortReply >= 0 && f.shortReply < reply.size())
        reply.truncate(f.shortReply);
    return {f.strayBefore, reply, f.surplusAfter};
}

QByteArray VirtualInstrument::answer(const QByteArray& request) {
    const auto code = uint8_t(request.at(0));
    switch (code) {
    case cmdRecordCount:
        return EncodeRecordCount(int(m_setup.records.size()));
    case cmdReadRecord: {
        const int index = DecodeReadRecord(request);
        if (index < m_setup.records.size())
            return m_setup.records.at(index).left(ReplyLength(cmdReadRecord));
        QByteArray blank(ReplyLength(cmdReadRecord), '\0');
        blank[0] = char(cmdReadRecord);
        return blank;
    }
    case cmdClearHistory:
        m_setup.records.clear();
        return {};
    case cmdReadStepTable:
        return EncodeStepFlags(m_setup.stepFlags);
    case cmdSetTestParams: {
        const TestParamsRequest params = DecodeTestParams(request);
        m_testTime = params.seconds;
        m_testStep = params.step;
        return {};
    }
    case cmdStartTest: {
        const TestParamsRequest params = DecodeTestParams(request);
        m_testTime = m_runTime = params.seconds;
        m_testStep = m_runStep = params.step;
        m_testStarted = true;
        m_pollsSinceStart = 0;
        return {};
    }
    case cmdPollTest:
        return pollReply();
    case cmdReadSerial:
        return EncodeSerial(cmdReadSerial, m_setup.serial);
    case cmdWriteSerial: {
        const QByteArray frame = request.leftJustified(RequestLength(cmdWriteSerial), '\0');
        m_setup.serial = DecodeSerialBytes(reinterpret_cast<const uint8_t*>(frame.constData()));
        return {};
    }
    case cmdIdentify:
        return EncodeIdentity(m_setup.identity);
    default:
        return {};
    }
}

// A started test runs for as many polls as its test time has seconds (the caller polls once a
// second), answering 0x88 with live readings, and then 0x83 with the final readings.
QByteArray VirtualInstrument::pollReply() {
    PollReadings readings;
    if (!m_testStarted)
        return EncodePoll(readings);
    ++m_pollsSinceStart;
    if (m_setup.faults.pollStatus != 0) {
        readings.status = m_setup.faults.pollStatus;
        return EncodePoll(readings);
    }
    const bool running = m_pollsSinceStart <= m_runTime;
    const double progress = running && m_runTime > 0 ? double(m_pollsSinceStart) / m_runTime : 1.0;
    const double amperes = CurrentStepAmperes(m_runStep) * (running ? 0.97 + 0.03 * progress : 1.0);
    const double ohms = m_setup.testMicroOhmTenths * 1e-7 * (running ? 1.0 + 0.01 * (1.0 - progress) : 1.0);
    readings.current = {std::lround(amperes * 10), 1};
    readings.voltage = {std::lround(amperes * ohms * 1e6), 6};
    readings.resistance = {std::lround(ohms * 1e7), 7};
    readings.status = uint8_t(running ? TestStatus::Running : TestStatus::Finished);
    return EncodePoll(readings);
}

bool VirtualInstrument::dead() const {
    std::lock_guard lock(m_mutex);
    return m_setup.faults.dieAfter >= 0 && m_handled >= m_setup.faults.dieAfter;
}

void VirtualInstrument::setFaults(const SimFaults& faults) {
    std::lock_guard lock(m_mutex);
    m_setup.faults = faults;
    m_handled = 0;
}

SimFaults VirtualInstrument::faults() const {
    std::lock_guard lock(m_mutex);
    return m_setup.faults;
}

void VirtualInstrument::setRecords(const QList<QByteArray>& records) {
    std::lock_guard lock(m_mutex);
    m_setup.records = records.mid(0, kMaxRecords);
}

QList<QByteArray> VirtualInstrument::records() const {
    std::lock_guard lock(m_mutex);
    return m_setup.records;
}

void VirtualInstrument::setStepFlags(const std::array<uint8_t, kStepCount>& flags) {
    std::lock_guard lock(m_mutex);
    m_setup.stepFlags = flags;
}

void VirtualInstrument::setIdentity(uint8_t identity) {
    std::lock_guard lock(m_mutex);
    m_setup.identity = identity;
}

SerialNumber VirtualInstrument::serial() const {
    std::lock_guard lock(m_mutex);
    return m_setup.serial;
}

QString VirtualInstrument::usbSerialString() const {
    std::lock_guard lock(m_mutex);
    return m_setup.usbSerialString;
}

std::pair<uint8_t, uint8_t> VirtualInstrument::testParams() const {
    std::lock_guard lock(m_mutex);
    return {m_testTime, m_testStep};
}

bool VirtualInstrument::testRunning() const {
    std::lock_guard lock(m_mutex);
    return m_testStarted && m_pollsSinceStart < m_runTime;
}

QList<QByteArray> VirtualInstrument::requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

QList<uint8_t> VirtualInstrument::requestCodes() const {
    std::lock_guard lock(m_mutex);
    QList<uint8_t> codes;
    for (const QByteArray& r : m_requests)
        codes.append(uint8_t(r.at(0)));
    return codes;
}

void VirtualInstrument::clearRequests() {
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}
