#include "link/Protocol.h"

#include "core/UDataCenter.h"

const CommandFrame* FindCommandFrame(uint8_t code) {
    for (const CommandFrame& frame : kCommandFrames)
        if (frame.code == code)
            return &frame;
    return nullptr;
}

bool WriteOnlyCommand(uint8_t code) {
    return code == cmdClearHistory || code == cmdStartTest || code == cmdWriteSerial ||
           code == cmdSetTestParams;
}

std::array<QString, 8> DecodeRecord(const uint8_t* reply, int rowNumber) {
    return {
        RowNumberText(rowNumber),   InstrumentTimeText(reply[6], reply[5], reply[4], reply[2], reply[1]),
        SymbolCodeText(reply + 7),  SymbolCodeText(reply + 15),
        SymbolCodeText(reply + 23), CurrentStepText(reply[31]),
        LoadTimeText(reply[32]),    UploadedResistanceText(reply[33], reply[34], reply[35]),
    };
}

std::array<uint8_t, kStepCount> DecodeStepFlags(const uint8_t* reply) {
    std::array<uint8_t, kStepCount> flags{};
    for (int code = 1; code <= kStepCount; ++code)
        flags[size_t(code - 1)] = reply[code + 1];
    return flags;
}

const std::array<int, kStepCount>& StepCodesByCurrent() {
    static const std::array<int, kStepCount> order{7,  8,  9,  10, 11, 12, 13, 1, 14, 15, 16,
                                                   17, 18, 19, 20, 21, 22, 2,  3, 4,  5,  6};
    return order;
}

PollReply DecodePoll(const uint8_t* reply) {
    return PollReply{FormatReading(reply + 1, 1), FormatReading(reply + 6, 2), FormatReading(reply + 13, 3),
                     reply[18]};
}

QString DecodeSerialNumber(const uint8_t* reply) {
    QString text;
    for (int i = 1; i <= 8; ++i)
        text += QString::asprintf("%02X", reply[i]);
    return text;
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

QStringList ByteTraceLines(const uint8_t* bytes, int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines.append(ByteTraceLine(i, bytes[i]));
    return lines;
}
