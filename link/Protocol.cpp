#include "link/Protocol.h"

#include "core/RecordValues.h"
#include "core/UDataCenter.h"

namespace {

// Offsets within the frames.
constexpr int kRecordMinute = 1;
constexpr int kRecordHour = 2;
constexpr int kRecordSecond = 3; // not read by the program
constexpr int kRecordDay = 4;
constexpr int kRecordMonth = 5;
constexpr int kRecordYear = 6;
constexpr int kRecordDevice = 7;
constexpr int kRecordTester = 15;
constexpr int kRecordLocation = 23;
constexpr int kRecordStep = 31;
constexpr int kRecordLoadTime = 32;
constexpr int kRecordResistance = 33;
constexpr int kFirstStepFlag = 2;
constexpr int kPollCurrent = 1;
constexpr int kPollVoltage = 6;
constexpr int kPollResistance = 13;
constexpr int kPollStatus = 18;
constexpr int kSymbolFieldLength = 8;
constexpr int kScaledValueLength = 5;
constexpr uint8_t kSymbolPad = 0x3E;

// A reply frame of the code's length with the echo in byte 0.
QByteArray ReplyFrame(uint8_t code) {
    QByteArray frame(ReplyLength(code), '\0');
    frame[0] = char(code);
    return frame;
}

QByteArray RequestFrame(uint8_t code) {
    QByteArray frame(RequestLength(code), '\0');
    frame[0] = char(code);
    return frame;
}

void Put(QByteArray& frame, int offset, const uint8_t* bytes, int count) {
    for (int i = 0; i < count; ++i)
        frame[offset + i] = char(bytes[i]);
}

uint8_t Bcd(int value) {
    return uint8_t((value / 10) << 4 | value % 10);
}

uint8_t At(const QByteArray& frame, int offset) {
    return offset < frame.size() ? uint8_t(frame.at(offset)) : uint8_t(0);
}

} // namespace

QByteArray EncodeRequest(uint8_t code) {
    return RequestFrame(code);
}

int DecodeRecordCount(const uint8_t* reply) {
    return reply[1];
}

QByteArray EncodeRecordCount(int count) {
    QByteArray frame = ReplyFrame(cmdRecordCount);
    frame[1] = char(uint8_t(count));
    return frame;
}

QByteArray EncodeReadRecord(int index) {
    QByteArray frame = RequestFrame(cmdReadRecord);
    frame[1] = char(uint8_t(index));
    return frame;
}

int DecodeReadRecord(const QByteArray& request) {
    return At(request, 1);
}

TestRecord DecodeTestRecord(const uint8_t* reply, int rowNumber) {
    TestRecord record;
    record.texts = {
        RowNumberText(rowNumber),
        InstrumentTimeText(reply[kRecordYear], reply[kRecordMonth], reply[kRecordDay], reply[kRecordHour],
                           reply[kRecordMinute]),
        SymbolCodeText(reply + kRecordDevice),
        SymbolCodeText(reply + kRecordTester),
        SymbolCodeText(reply + kRecordLocation),
        CurrentStepText(reply[kRecordStep]),
        LoadTimeText(reply[kRecordLoadTime]),
        UploadedResistanceText(reply[kRecordResistance], reply[kRecordResistance + 1],
                               reply[kRecordResistance + 2]),
    };
    // The clock bytes are decimal digits when the instrument's clock is sane; anything else leaves
    // the time unknown.
    record.testTime = RecordTime(record.texts[1]);
    record.device = record.texts[2];
    record.tester = record.texts[3];
    record.location = record.texts[4];
    if (const int amperes = CurrentStepAmperes(reply[kRecordStep]); amperes > 0) {
        record.stepCode = reply[kRecordStep];
        record.stepAmperes = amperes;
    }
    record.loadSeconds = reply[kRecordLoadTime];
    const int64_t tenths = int64_t(reply[kRecordResistance]) << 16 |
                           int64_t(reply[kRecordResistance + 1]) << 8 | int64_t(reply[kRecordResistance + 2]);
    record.resistance = ScaledReading{tenths, kUploadedResistanceExponent};
    record.microOhms = record.resistance->microOhms();
    record.rawReply = QByteArray(reinterpret_cast<const char*>(reply), ReplyLength(cmdReadRecord));
    return record;
}

TestRecord::Texts DecodeRecord(const uint8_t* reply, int rowNumber) {
    return DecodeTestRecord(reply, rowNumber).texts;
}

QByteArray EncodeRecord(const StoredTest& test) {
    QByteArray frame = ReplyFrame(cmdReadRecord);
    const QDate d = test.when.date();
    const QTime t = test.when.time();
    frame[kRecordMinute] = char(Bcd(t.minute()));
    frame[kRecordHour] = char(Bcd(t.hour()));
    frame[kRecordSecond] = char(Bcd(t.second()));
    frame[kRecordDay] = char(Bcd(d.day()));
    frame[kRecordMonth] = char(Bcd(d.month()));
    frame[kRecordYear] = char(Bcd(d.year() % 100));
    Put(frame, kRecordDevice, SymbolCodeBytes(test.device).data(), kSymbolFieldLength);
    Put(frame, kRecordTester, SymbolCodeBytes(test.tester).data(), kSymbolFieldLength);
    Put(frame, kRecordLocation, SymbolCodeBytes(test.location).data(), kSymbolFieldLength);
    frame[kRecordStep] = char(test.step);
    frame[kRecordLoadTime] = char(test.loadSeconds);
    frame[kRecordResistance] = char(test.resistanceTenths >> 16 & 0xFF);
    frame[kRecordResistance + 1] = char(test.resistanceTenths >> 8 & 0xFF);
    frame[kRecordResistance + 2] = char(test.resistanceTenths & 0xFF);
    return frame;
}

std::array<uint8_t, kStepCount> DecodeStepFlags(const uint8_t* reply) {
    std::array<uint8_t, kStepCount> flags{};
    for (int code = 1; code <= kStepCount; ++code)
        flags[size_t(code - 1)] = reply[kFirstStepFlag + code - 1];
    return flags;
}

QByteArray EncodeStepFlags(const std::array<uint8_t, kStepCount>& flags) {
    QByteArray frame = ReplyFrame(cmdReadStepTable);
    Put(frame, kFirstStepFlag, flags.data(), kStepCount);
    return frame;
}

const std::array<int, kStepCount>& StepCodesByCurrent() {
    static const std::array<int, kStepCount> order{7,  8,  9,  10, 11, 12, 13, 1, 14, 15, 16,
                                                   17, 18, 19, 20, 21, 22, 2,  3, 4,  5,  6};
    return order;
}

QByteArray EncodeTestParams(uint8_t code, TestParamsRequest params) {
    QByteArray frame = RequestFrame(code);
    frame[1] = char(params.seconds);
    frame[2] = char(params.step);
    return frame;
}

TestParamsRequest DecodeTestParams(const QByteArray& request) {
    return {At(request, 1), At(request, 2)};
}

std::array<uint8_t, 5> ScaledValueBytes(int32_t mantissa, uint8_t exponent) {
    const auto m = uint32_t(mantissa);
    return {uint8_t(m >> 24), uint8_t(m >> 16), uint8_t(m >> 8), uint8_t(m), exponent};
}

ScaledReading DecodeScaledValue(const uint8_t* bytes) {
    const auto m = int32_t(uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 |
                           uint32_t(bytes[3]));
    return ScaledReading{m, bytes[4]};
}

PollReply DecodePoll(const uint8_t* reply) {
    return PollReply{FormatReading(reply + kPollCurrent, 1),
                     FormatReading(reply + kPollVoltage, 2),
                     FormatReading(reply + kPollResistance, 3),
                     reply[kPollStatus],
                     DecodeScaledValue(reply + kPollResistance),
                     QByteArray(reinterpret_cast<const char*>(reply), ReplyLength(cmdPollTest))};
}

QByteArray EncodePoll(const PollReadings& readings) {
    QByteArray frame = ReplyFrame(cmdPollTest);
    const auto put = [&](int offset, const ScaledReading& reading) {
        Put(frame, offset, ScaledValueBytes(int32_t(reading.mantissa), uint8_t(reading.exponent)).data(),
            kScaledValueLength);
    };
    put(kPollCurrent, readings.current);
    put(kPollVoltage, readings.voltage);
    put(kPollResistance, readings.resistance);
    frame[kPollStatus] = char(readings.status);
    return frame;
}

SerialNumber DecodeSerialBytes(const uint8_t* frame) {
    SerialNumber serial;
    for (size_t i = 0; i < serial.size(); ++i)
        serial[i] = frame[i + 1];
    return serial;
}

QByteArray EncodeSerial(uint8_t code, const SerialNumber& serial) {
    QByteArray frame = code == cmdReadSerial ? ReplyFrame(code) : RequestFrame(code);
    Put(frame, 1, serial.data(), int(serial.size()));
    return frame;
}

QString DecodeSerialNumber(const uint8_t* reply) {
    QString text;
    for (const uint8_t byte : DecodeSerialBytes(reply))
        text += QString::asprintf("%02X", byte);
    return text;
}

uint8_t DecodeIdentity(const uint8_t* reply) {
    return reply[1];
}

QByteArray EncodeIdentity(uint8_t identity) {
    QByteArray frame = ReplyFrame(cmdIdentify);
    frame[1] = char(identity);
    return frame;
}

QString ModelText(uint8_t identity) {
    switch (identity) {
    case 1:
        return QStringLiteral("5731");
    case 2:
        return QStringLiteral("qmvr");
    default:
        return {};
    }
}

int DeviceTypeFromUsbString(const QString& serial) {
    if (serial.contains(QLatin1String("5731")))
        return 1;
    if (serial.contains(QLatin1String("qmvr")))
        return 2;
    return 0;
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

QStringList ByteTraceLines(const uint8_t* bytes, int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines.append(ByteTraceLine(i, bytes[i]));
    return lines;
}

QStringList ByteTraceLines(const QByteArray& bytes) {
    return ByteTraceLines(reinterpret_cast<const uint8_t*>(bytes.constData()), int(bytes.size()));
}
