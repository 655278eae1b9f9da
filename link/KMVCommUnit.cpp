#include "link/KMVCommUnit.h"

#include "core/ProfileFile.h"
#include "core/UDataCenter.h"

#include <QDeadlineTimer>
#include <QSerialPort>
#include <algorithm>
#include <cmath>

namespace {

using namespace std::chrono_literals;
constexpr int kBufferSize = 4096;
constexpr auto kWritePerByte = 5ms;
constexpr auto kWriteExtra = 50ms;
constexpr auto kReadExtra = 100ms;
constexpr auto kReadFloor = 10ms;

QSerialPort::Parity ParityOf(uint8_t parity) {
    switch (parity) {
    case 1:
        return QSerialPort::OddParity;
    case 2:
        return QSerialPort::EvenParity;
    case 3:
        return QSerialPort::MarkParity;
    case 4:
        return QSerialPort::SpaceParity;
    default:
        return QSerialPort::NoParity;
    }
}

int RemainingMs(const QDeadlineTimer& deadline) {
    return int(std::max<qint64>(0, (deadline.remainingTimeNSecs() + 999'999) / 1'000'000));
}

} // namespace

int32_t BaudRateFromIndex(int index) {
    static constexpr int32_t rates[] = {300,   600,   1200,  2400,  4800,   9600,  19200,
                                        38400, 43000, 56000, 57600, 115200, 256000};
    if (index >= 1 && index <= int(std::size(rates)))
        return rates[index - 1];
    return 57600;
}

QString SerialPortName(int port) {
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    ProfileFile ini(SettingsFilePath());
    ini.load();
    const QString mapped =
        ini.readString(QStringLiteral("SerialPorts"), QStringLiteral("COM%1").arg(port), {});
    if (!TrimText(mapped).isEmpty())
        return TrimText(mapped);
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

std::chrono::milliseconds ReadDeadline(int count, int32_t baudRate) {
    double t = 0;
    if (baudRate > 0)
        t = std::nearbyint(count * 20.0 / (baudRate / 1000.0));
    const auto ms = std::chrono::milliseconds(static_cast<long long>(t));
    return (ms == 0ms ? kReadFloor : ms) + kReadExtra;
}

TKMVCOM::TKMVCOM() = default;

TKMVCOM::~TKMVCOM() {
    Close();
}

bool TKMVCOM::Open(uint8_t port, int32_t baudRate, uint8_t parity) {
    Close();
    const int number = std::clamp<int>(port, 1, 16);
    FHandle = std::make_unique<QSerialPort>();
    FHandle->setPortName(SerialPortName(number));
    // Settings given before opening are applied by the open itself; a rate the driver refuses
    // makes the open fail and leaves the port closed.
    FHandle->setBaudRate(baudRate);
    FHandle->setDataBits(QSerialPort::Data8);
    FHandle->setParity(ParityOf(parity));
    FHandle->setStopBits(QSerialPort::OneStop);
    FHandle->setReadBufferSize(kBufferSize);
    if (!FHandle->open(QIODevice::ReadWrite)) {
        FHandle.reset();
        return false;
    }
    // A fresh port starts empty: whatever reached the device after the last exchange closed it
    // belongs to that exchange.
    FHandle->clear(QSerialPort::Input);
    FBaudRate = baudRate;
    return true;
}

bool TKMVCOM::Write(const uint8_t* buffer, int count) {
    if (!IsOpen() || count < 0)
        return false;
    QDeadlineTimer deadline(kWritePerByte * count + kWriteExtra, Qt::PreciseTimer);
    if (FHandle->write(reinterpret_cast<const char*>(buffer), count) != count) {
        FHandle->clearError();
        return false;
    }
    while (FHandle->bytesToWrite() > 0) {
        if (deadline.hasExpired() || !FHandle->waitForBytesWritten(RemainingMs(deadline))) {
            FHandle->clearError();
            return FHandle->bytesToWrite() == 0;
        }
    }
    return true;
}

bool TKMVCOM::Read(uint8_t* buffer, int count) {
    if (!IsOpen())
        return false;
    QDeadlineTimer deadline(ReadDeadline(count, FBaudRate), Qt::PreciseTimer);
    int received = 0;
    bool result = false;
    while (count > 0 && !deadline.hasExpired()) {
        const qint64 n = FHandle->read(reinterpret_cast<char*>(buffer) + received, count - received);
        if (n < 0)
            break;
        received += int(n);
        if (received == count) {
            result = true;
            break;
        }
        if (!FHandle->waitForReadyRead(RemainingMs(deadline))) {
            const QSerialPort::SerialPortError error = FHandle->error();
            FHandle->clearError();
            if (error != QSerialPort::TimeoutError && error != QSerialPort::NoError)
                break; // the far end hung up or the device went away
        }
    }
    if (IsOpen())
        FHandle->clear(QSerialPort::Input);
    return result;
}

void TKMVCOM::Purge() {
    if (!IsOpen())
        return;
    FHandle->clear(QSerialPort::Input);
    FHandle->clear(QSerialPort::Output);
}

void TKMVCOM::Close() {
    if (FHandle)
        FHandle->close();
    FHandle.reset();
}

bool TKMVCOM::IsOpen() const {
    return FHandle && FHandle->isOpen();
}
