#include "sim/VirtualInstrument.h"

#include "core/UDataCenter.h"
#include "link/Protocol.h"

#include <cmath>

namespace {

constexpr int kMaxRecords = 255;
constexpr uint8_t kSymbolPad = 0x3E;

uint8_t Bcd(int value) {
    return uint8_t((value / 10) << 4 | value % 10);
}

QByteArray TwoBytes(uint8_t first, uint8_t second) {
    QByteArray bytes(2, '\0');
    bytes[0] = char(first);
    bytes[1] = char(second);
    return bytes;
}

void Put(QByteArray& frame, int offset, const uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i)
        frame[offset + i] = char(bytes[i]);
}

} // namespace

int RequestFrameLength(uint8_t code) {
    const CommandFrame* frame = FindCommandFrame(code);
    return frame ? frame->requestLength : 1;
}

std::array<uint8_t, 8> SymbolCodeBytes(const QString& text) {
    std::array<uint8_t, 8> bytes;
    bytes.fill(kSymbolPad);
    size_t n = 0;
    for (QChar c : text) {
        if (n == bytes.size())
            break;
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9')
            bytes[n++] = uint8_t(u - '0');
        else if (u >= 'A' && u <= 'Z')
            bytes[n++] = uint8_t(u - 'A' + 10);
        else if (u >= 'a' && u <= 'z')
            bytes[n++] = uint8_t(u - 'a' + 36);
    }
    return bytes;
}

std::array<uint8_t, 5> ScaledValueBytes(int32_t mantissa, uint8_t exponent) {
    const auto m = uint32_t(mantissa);
    return {uint8_t(m >> 24), uint8_t(m >> 16), uint8_t(m >> 8), uint8_t(m), exponent};
}

QByteArray SimRecord::frame() const {
    QByteArray f(kRecordReplyLength, '\0');
    f[0] = char(cmdReadRecord);
    const QDate d = when.date();
    const QTime t = when.time();
    f[1] = char(Bcd(t.minute()));
    f[2] = char(Bcd(t.hour()));
    f[3] = char(Bcd(t.second()));
    f[4] = char(Bcd(d.day()));
    f[5] = char(Bcd(d.month()));
    f[6] = char(Bcd(d.year() % 100));
    Put(f, 7, SymbolCodeBytes(device).data(), 8);
    Put(f, 15, SymbolCodeBytes(tester).data(), 8);
    Put(f, 23, SymbolCodeBytes(location).data(), 8);
    f[31] = char(step);
    f[32] = char(loadSeconds);
    f[33] = char(resistanceTenths >> 16 & 0xFF);
    f[34] = char(resistanceTenths >> 8 & 0xFF);
    f[35] = char(resistanceTenths & 0xFF);
    return f;
}

std::array<uint8_t, 22> SimSetup::allSteps() {
    std::array<uint8_t, 22> flags;
    flags.fill(1);
    return flags;
}

std::array<uint8_t, 22> SimSetup::steps(std::initializer_list<int> codes) {
    std::array<uint8_t, 22> flags{};
    for (int code : codes)
        if (code >= 1 && code <= 22)
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
    const auto arg = [&](int i) { return i < request.size() ? uint8_t(request.at(i)) : uint8_t(0); };
    switch (code) {
    case cmdRecordCount:
        return TwoBytes(cmdRecordCount, uint8_t(m_setup.records.size()));
    case cmdReadRecord: {
        const int index = arg(1);
        if (index < m_setup.records.size())
            return m_setup.records.at(index).left(kRecordReplyLength);
        QByteArray blank(kRecordReplyLength, '\0');
        blank[0] = char(cmdReadRecord);
        return blank;
    }
    case cmdClearHistory:
        m_setup.records.clear();
        return {};
    case cmdReadStepTable: {
        QByteArray reply(kStepTableReplyLength, '\0');
        reply[0] = char(cmdReadStepTable);
        for (int k = 1; k <= kStepCount; ++k)
            reply[k + 1] = char(m_setup.stepFlags[size_t(k - 1)]);
        return reply;
    }
    case cmdSetTestParams:
        m_testTime = arg(1);
        m_testStep = arg(2);
        return {};
    case cmdStartTest:
        m_testTime = m_runTime = arg(1);
        m_testStep = m_runStep = arg(2);
        m_testStarted = true;
        m_pollsSinceStart = 0;
        return {};
    case cmdPollTest:
        return pollReply();
    case cmdReadSerial: {
        QByteArray reply(kSerialReplyLength, '\0');
        reply[0] = char(cmdReadSerial);
        for (int i = 0; i < 8; ++i)
            reply[i + 1] = char(m_setup.serial[size_t(i)]);
        return reply;
    }
    case cmdWriteSerial:
        for (int i = 0; i < 8; ++i)
            m_setup.serial[size_t(i)] = arg(i + 1);
        return {};
    case cmdIdentify:
        return TwoBytes(cmdIdentify, m_setup.identity);
    default:
        return {};
    }
}

// A started test runs for as many polls as its test time has seconds (the caller polls once a
// second), answering 0x88 with live readings, and then 0x83 with the final readings.
QByteArray VirtualInstrument::pollReply() {
    QByteArray reply(kPollReplyLength, '\0');
    reply[0] = char(cmdPollTest);
    if (!m_testStarted)
        return reply;
    ++m_pollsSinceStart;
    if (m_setup.faults.pollStatus != 0) {
        reply[18] = char(m_setup.faults.pollStatus);
        return reply;
    }
    const bool running = m_pollsSinceStart <= m_runTime;
    const double progress = running && m_runTime > 0 ? double(m_pollsSinceStart) / m_runTime : 1.0;
    const double amperes = CurrentStepAmperes(m_runStep) * (running ? 0.97 + 0.03 * progress : 1.0);
    const double ohms = m_setup.testMicroOhmTenths * 1e-7 * (running ? 1.0 + 0.01 * (1.0 - progress) : 1.0);
    const auto current = ScaledValueBytes(int32_t(std::lround(amperes * 10)), 1);
    const auto voltage = ScaledValueBytes(int32_t(std::lround(amperes * ohms * 1e6)), 6);
    const auto resistance = ScaledValueBytes(int32_t(std::lround(ohms * 1e7)), 7);
    Put(reply, 1, current.data(), 5);
    Put(reply, 6, voltage.data(), 5);
    Put(reply, 13, resistance.data(), 5);
    reply[18] = char(running ? TestStatus::Running : TestStatus::Finished);
    return reply;
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

void VirtualInstrument::setStepFlags(const std::array<uint8_t, 22>& flags) {
    std::lock_guard lock(m_mutex);
    m_setup.stepFlags = flags;
}

void VirtualInstrument::setIdentity(uint8_t identity) {
    std::lock_guard lock(m_mutex);
    m_setup.identity = identity;
}

std::array<uint8_t, 8> VirtualInstrument::serial() const {
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
