#include "link/UCommUnit.h"

#include "core/UDataCenter.h"
#include "link/KMVCommUnit.h"
#include "link/Protocol.h"

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <thread>

namespace {

using namespace std::chrono_literals;
constexpr int kSerialAttempts = 4;
// After the write of a command with a reply, after every close and between attempts.
constexpr auto kSerialPause = 100ms;
constexpr uint8_t kNoParity = 0;

struct FailedAttempt {
    SerialFailure failure = SerialFailure::None;
    int port = 0;
    QString device;
};

QString FailureText(const FailedAttempt& attempt) {
    const QString where =
        QCoreApplication::translate("UCommUnit", "COM%1（%2）：").arg(attempt.port).arg(attempt.device);
    switch (attempt.failure) {
    case SerialFailure::None:
        return {};
    case SerialFailure::NoDevice:
        return where + QCoreApplication::translate("UCommUnit", "无此设备");
#ifdef Q_OS_WIN
    case SerialFailure::NoPermission:
        return where + QCoreApplication::translate("UCommUnit", "无权打开");
#else
    case SerialFailure::NoPermission:
        return where +
               QCoreApplication::translate("UCommUnit", "无权打开，请把用户加入 dialout 组后重新登录");
#endif
    case SerialFailure::Busy:
        return where + QCoreApplication::translate("UCommUnit", "已被其他程序占用");
    case SerialFailure::Refused:
        return where + QCoreApplication::translate("UCommUnit", "设备不接受所设的波特率或线路设置");
    case SerialFailure::NoAnswer:
        return where + QCoreApplication::translate("UCommUnit", "仪器无应答");
    }
    return {};
}

// One attempt: open, write, (pause, read), and the port closed on every path.
bool SerialAttempt(const LinkSettings& link, uint8_t code, CommandBuffer& buffer, int replyLength,
                   int requestLength, FailedAttempt& outcome) {
    TKMVCOM port;
    bool ok = false;
    try {
        if (port.Open(link.portDevice, link.baudRate, kNoParity)) {
            if (WriteOnlyCommand(code)) {
                ok = port.Write(buffer.data(), requestLength);
            } else {
                const bool written = port.Write(buffer.data(), requestLength);
                std::this_thread::sleep_for(kSerialPause);
                const bool read = port.Read(buffer.data(), replyLength);
                // A reply echoes its code; anything else (stray bytes ahead of it) is not the reply.
                ok = written && read && buffer[0] == code;
            }
        }
    } catch (...) {
        port.Purge();
        ok = false;
    }
    port.Close();
    const SerialFailure failure = ok                                          ? SerialFailure::None
                                  : port.OpenFailure() != SerialFailure::None ? port.OpenFailure()
                                                                              : SerialFailure::NoAnswer;
    outcome = {failure, link.port, port.DeviceName()};
    return ok;
}

} // namespace

bool LengthsFitBuffer(int replyLength, int requestLength) {
    const int size = int(std::tuple_size_v<CommandBuffer>);
    return requestLength >= 1 && requestLength <= size && replyLength >= 0 && replyLength <= size;
}

LinkSettings LinkSettings::Current() {
    const int port = std::clamp<int>(uint8_t(giCommPort & 0xFF), 1, 16);
    return {giCommStyle, port, SerialPortName(port), BaudRateFromIndex(giBaudRate)};
}

bool SendCommand(uint8_t code, CommandBuffer& buffer, int replyLength, int requestLength, QString* failure) {
    return SendCommand(LinkSettings::Current(), code, buffer, replyLength, requestLength, failure);
}

bool SerialExchange(uint8_t code, CommandBuffer& buffer, int replyLength, int requestLength,
                    QString* failure) {
    return SerialExchange(LinkSettings::Current(), code, buffer, replyLength, requestLength, failure);
}

bool SendCommand(const LinkSettings& link, uint8_t code, CommandBuffer& buffer, int replyLength,
                 int requestLength, QString* failure) {
    if (link.commStyle == 0) {
        if (failure)
            failure->clear();
        return UsbExchange(code, buffer, kUsbReplyBlock, requestLength);
    }
    return SerialExchange(link, code, buffer, replyLength, requestLength, failure);
}

bool SerialExchange(const LinkSettings& link, uint8_t code, CommandBuffer& buffer, int replyLength,
                    int requestLength, QString* failure) {
    if (!LengthsFitBuffer(replyLength, requestLength))
        return false;
    // A failed read may have overwritten the request; every attempt sends it as the caller gave it.
    const CommandBuffer request = buffer;
    for (int attempt = 1;; ++attempt) {
        buffer = request;
        FailedAttempt outcome;
        const bool ok = SerialAttempt(link, code, buffer, replyLength, requestLength, outcome);
        if (failure)
            *failure = FailureText(outcome);
        std::this_thread::sleep_for(kSerialPause);
        if (ok)
            return true;
        if (attempt == kSerialAttempts)
            return false;
        std::this_thread::sleep_for(kSerialPause);
    }
}
