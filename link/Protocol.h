#pragma once
// The instrument's protocol in one place: command codes, the command table, and for every frame
// one decoder and one encoder over the same layout. The program decodes replies and encodes
// requests; the virtual instrument decodes requests and encodes replies. Everything here takes
// bytes and returns values; no transport, no widgets.
#include "core/TestRecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

constexpr uint8_t cmdRecordCount = 0xF0;
constexpr uint8_t cmdReadRecord = 0xF1;
constexpr uint8_t cmdClearHistory = 0xF2;
constexpr uint8_t cmdReadStepTable = 0xF3;
constexpr uint8_t cmdStartTest = 0xF4;
constexpr uint8_t cmdReadSerial = 0xF6;
constexpr uint8_t cmdWriteSerial = 0xF7;
constexpr uint8_t cmdIdentify = 0xF8;
constexpr uint8_t cmdSetTestParams = 0xF9;
constexpr uint8_t cmdPollTest = 0xFA;

// Request lengths (code byte included) and serial reply lengths; 0 means no reply.
struct CommandFrame {
    uint8_t code;
    int requestLength;
    int replyLength;
};
constexpr std::array<CommandFrame, 10> kCommandFrames{{
    {cmdRecordCount, 1, 2},
    {cmdReadRecord, 2, 37},
    {cmdClearHistory, 1, 0},
    {cmdReadStepTable, 1, 24},
    {cmdStartTest, 3, 0},
    {cmdReadSerial, 1, 9},
    {cmdWriteSerial, 9, 0},
    {cmdIdentify, 1, 2},
    {cmdSetTestParams, 3, 0},
    {cmdPollTest, 1, 19},
}};
// The frame of a code, or nullptr for a code outside the command set.
constexpr const CommandFrame* FindCommandFrame(uint8_t code) {
    for (const CommandFrame& frame : kCommandFrames)
        if (frame.code == code)
            return &frame;
    return nullptr;
}
// The lengths of a code of the command set (0 for any other code).
constexpr int RequestLength(uint8_t code) {
    const CommandFrame* frame = FindCommandFrame(code);
    return frame ? frame->requestLength : 0;
}
constexpr int ReplyLength(uint8_t code) {
    const CommandFrame* frame = FindCommandFrame(code);
    return frame ? frame->replyLength : 0;
}
// The codes of the table that get no reply.
constexpr bool WriteOnlyCommand(uint8_t code) {
    const CommandFrame* frame = FindCommandFrame(code);
    return frame && frame->replyLength == 0;
}

constexpr int kStepCount = 22;
// An uploaded resistance is a 24-bit count of tenths of a micro-ohm: ohms = count / 10^7.
constexpr int kUploadedResistanceExponent = 7;

// A request without arguments: the code alone.
QByteArray EncodeRequest(uint8_t code);

// cmdRecordCount reply.
int DecodeRecordCount(const uint8_t* reply);
QByteArray EncodeRecordCount(int count);

// cmdReadRecord request: the zero-based record index.
QByteArray EncodeReadRecord(int index);
int DecodeReadRecord(const QByteArray& request);

// A stored record (cmdReadRecord reply) numbered as row k: its eight display texts, the values
// they were made from and the reply's bytes.
TestRecord DecodeTestRecord(const uint8_t* reply, int rowNumber);
// Its display texts alone.
TestRecord::Texts DecodeRecord(const uint8_t* reply, int rowNumber);
// A record as the instrument stores it.
struct StoredTest {
    QDateTime when; // to the second; the seconds go into the byte the program does not read
    QString device; // symbol-code text: digits and letters, at most 8
    QString tester;
    QString location;
    uint8_t step = 1;              // current-step code
    uint8_t loadSeconds = 5;       // load-current time
    uint32_t resistanceTenths = 0; // tenths of a micro-ohm, 24 bits
};
QByteArray EncodeRecord(const StoredTest& test);

// cmdReadStepTable: the flag byte of every step code 1..22 (index 0 is code 1).
std::array<uint8_t, kStepCount> DecodeStepFlags(const uint8_t* reply);
QByteArray EncodeStepFlags(const std::array<uint8_t, kStepCount>& flags);
// Step codes in ascending current: 7..13, 1, 14..22, 2..6.
const std::array<int, kStepCount>& StepCodesByCurrent();

// cmdSetTestParams and cmdStartTest requests: test time in seconds and current-step code.
struct TestParamsRequest {
    uint8_t seconds = 0;
    uint8_t step = 0;
};
QByteArray EncodeTestParams(uint8_t code, TestParamsRequest params);
TestParamsRequest DecodeTestParams(const QByteArray& request);

// A ScaledValue: signed 32-bit big-endian mantissa, then the decimal exponent.
std::array<uint8_t, 5> ScaledValueBytes(int32_t mantissa, uint8_t exponent);
ScaledReading DecodeScaledValue(const uint8_t* bytes);

enum class TestStatus : uint8_t { WiringError = 0x81, OverRange = 0x82, Finished = 0x83, Running = 0x88 };
struct PollReply {
    QString current;                 // FormatReading kind 1
    QString voltage;                 // kind 2
    QString resistance;              // kind 3
    uint8_t status = 0;              // raw TestStatus byte
    ScaledReading resistanceReading; // the resistance as sent, in ohms
    QByteArray bytes;                // the reply
};
PollReply DecodePoll(const uint8_t* reply);
struct PollReadings {
    ScaledReading current;    // amperes
    ScaledReading voltage;    // volts
    ScaledReading resistance; // ohms
    uint8_t status = 0;
};
QByteArray EncodePoll(const PollReadings& readings);

// cmdReadSerial reply and cmdWriteSerial request: the eight serial-number bytes.
using SerialNumber = std::array<uint8_t, 8>;
SerialNumber DecodeSerialBytes(const uint8_t* frame);
QByteArray EncodeSerial(uint8_t code, const SerialNumber& serial);
// cmdReadSerial: bytes 1..8 as 16 upper-case hexadecimal digits.
QString DecodeSerialNumber(const uint8_t* reply);

// cmdIdentify reply: the model identity byte.
uint8_t DecodeIdentity(const uint8_t* reply);
QByteArray EncodeIdentity(uint8_t identity);
// cmdIdentify: 1 "5731", 2 "qmvr", anything else empty.
QString ModelText(uint8_t identity);
// The model identity of a USB serial-number string: 1 if it holds "5731", else 2 if "qmvr", else 0.
int DeviceTypeFromUsbString(const QString& serial);

// Symbol-code bytes of a text: 0..9 digits, 10..35 'A'..'Z', 36..61 'a'..'z'; padded with 0x3E.
std::array<uint8_t, 8> SymbolCodeBytes(const QString& text);

// One trace line per byte: "(%2d)--" + two upper-case hexadecimal digits.
QStringList ByteTraceLines(const uint8_t* bytes, int count);
QStringList ByteTraceLines(const QByteArray& bytes);
