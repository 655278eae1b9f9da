#pragma once
// The instrument's protocol in one place: command codes, frame lengths and one decoder per
// reply. Everything here takes bytes and returns values; no transport, no widgets.
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
const CommandFrame* FindCommandFrame(uint8_t code);

constexpr int kRecordCountReplyLength = 2;
constexpr int kRecordReplyLength = 37;
constexpr int kStepTableReplyLength = 24;
constexpr int kPollReplyLength = 19;
constexpr int kSerialReplyLength = 9;
constexpr int kIdentifyReplyLength = 2;
constexpr int kTestParamsRequestLength = 3;
constexpr int kWriteSerialRequestLength = 9;
constexpr int kStepCount = 22;

// The codes that get no reply: 0xF2, 0xF4, 0xF7, 0xF9.
bool WriteOnlyCommand(uint8_t code);

// A stored record (cmdReadRecord reply) as its eight display texts, numbered as row k.
std::array<QString, 8> DecodeRecord(const uint8_t* reply, int rowNumber);

// cmdReadStepTable: the flag byte of every step code 1..22 (index 0 is code 1).
std::array<uint8_t, kStepCount> DecodeStepFlags(const uint8_t* reply);
// Step codes in ascending current: 7..13, 1, 14..22, 2..6.
const std::array<int, kStepCount>& StepCodesByCurrent();

enum class TestStatus : uint8_t { WiringError = 0x81, OverRange = 0x82, Finished = 0x83, Running = 0x88 };
struct PollReply {
    QString current;    // FormatReading kind 1
    QString voltage;    // kind 2
    QString resistance; // kind 3
    uint8_t status = 0; // raw TestStatus byte
};
PollReply DecodePoll(const uint8_t* reply);

// cmdReadSerial: bytes 1..8 as 16 upper-case hexadecimal digits.
QString DecodeSerialNumber(const uint8_t* reply);
// cmdIdentify: 1 "5731", 2 "qmvr", anything else empty.
QString ModelText(uint8_t identity);
// The model identity of a USB serial-number string: 1 if it holds "5731", else 2 if "qmvr", else 0.
int DeviceTypeFromUsbString(const QString& serial);

// One trace line per byte: "(%2d)--" + two upper-case hexadecimal digits.
QStringList ByteTraceLines(const uint8_t* bytes, int count);
