#include "link/KMVCommUnit.h"

#include "core/ProfileFile.h"
#include "core/UDataCenter.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>

#ifdef Q_OS_WIN
#include <string>
#include <windows.h>
#else
#include <cerrno>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif

namespace {

using namespace std::chrono_literals;
constexpr int kBufferSize = 4096;
constexpr auto kWritePerByte = 5ms;
constexpr auto kWriteExtra = 50ms;
constexpr auto kReadExtra = 100ms;
constexpr auto kReadFloor = 10ms;
#ifndef Q_OS_WIN
// How often the driver's output queue is looked at while it drains.
constexpr auto kDrainPoll = 1ms;
#endif

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

#ifndef Q_OS_WIN
// Section [SerialPorts] of the settings file, asked once per flow (LinkSettings); a large file is read
// again only when it changed (another file, size or modification time).
QMap<int, QString> MappedSerialPorts() {
    constexpr qint64 kSmallFile = qint64(1) << 20;
    struct Seen {
        QString path;
        struct stat status {};
        QMap<int, QString> ports;
    };
    static Seen seen;
    const QString path = SettingsFilePath();
    struct stat status {};
    const bool exists = ::stat(QFile::encodeName(path).constData(), &status) == 0;
    if (exists && status.st_size > kSmallFile && seen.path == path && seen.status.st_ino == status.st_ino &&
        seen.status.st_dev == status.st_dev && seen.status.st_size == status.st_size &&
        seen.status.st_mtim.tv_sec == status.st_mtim.tv_sec &&
        seen.status.st_mtim.tv_nsec == status.st_mtim.tv_nsec)
        return seen.ports;
    const ProfileFile ini = ReadSettingsFile();
    seen = {path, status, {}};
    for (int port = 1; port <= 16; ++port)
        seen.ports.insert(
            port, ini.readString(QStringLiteral("SerialPorts"), QStringLiteral("COM%1").arg(port), {}));
    return seen.ports;
}
#endif

SerialPortLister& InstalledLister() {
    static SerialPortLister lister;
    return lister;
}

QList<PresentSerialPort> SystemSerialPorts() {
    QList<PresentSerialPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
#ifdef Q_OS_WIN
        PresentSerialPort port{info.portName(), info.description(), std::nullopt, std::nullopt};
#else
        PresentSerialPort port{info.systemLocation(), info.description(), std::nullopt, std::nullopt};
#endif
        if (info.hasVendorIdentifier())
            port.vendorId = info.vendorIdentifier();
        if (info.hasProductIdentifier())
            port.productId = info.productIdentifier();
        ports.append(port);
    }
    return ports;
}

// Qt reports a device in use and a device the user may not open alike; the rights tell them apart.
SerialFailure FailureOf(QSerialPort::SerialPortError error, const QString& device) {
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return SerialFailure::NoDevice;
    case QSerialPort::PermissionError:
#ifndef Q_OS_WIN
        if (::access(QFile::encodeName(device).constData(), R_OK | W_OK) != 0)
            return errno == ENOENT ? SerialFailure::NoDevice : SerialFailure::NoPermission;
#endif
        return SerialFailure::Busy;
    default:
        return SerialDeviceExists(device) ? SerialFailure::Refused : SerialFailure::NoDevice;
    }
}

#ifdef Q_OS_WIN
// Qt switches RTS off when it opens a port; the driver's own choice is read before and put back.
struct ModemControl {
    DWORD dtr = 0;
    DWORD rts = 0;
    bool known = false;
};

ModemControl DriverModemControl(const QString& name) {
    const std::wstring path = (QStringLiteral("\\\\.\\") + name).toStdWString();
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    const bool ok = GetCommState(h, &dcb);
    CloseHandle(h);
    return ok ? ModemControl{dcb.fDtrControl, dcb.fRtsControl, true} : ModemControl{};
}

void RestoreModemControl(HANDLE h, const ModemControl& control) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!control.known || !GetCommState(h, &dcb))
        return;
    dcb.fDtrControl = control.dtr;
    dcb.fRtsControl = control.rts;
    SetCommState(h, &dcb);
}
#endif

} // namespace

int32_t BaudRateFromIndex(int index) {
    static constexpr int32_t rates[] = {300,   600,   1200,  2400,  4800,   9600,  19200,
                                        38400, 43000, 56000, 57600, 115200, 256000};
    if (index >= 1 && index <= int(std::size(rates)))
        return rates[index - 1];
    return 57600;
}

QString SerialPortName(int port) {
    const auto assigned = gSerialPortAssignments.constFind(port);
    if (assigned != gSerialPortAssignments.cend() && !TrimText(*assigned).isEmpty())
        return TrimText(*assigned);
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    const QString mapped = MappedSerialPorts().value(port);
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

std::chrono::milliseconds WriteCallTimeout(int count, int32_t baudRate) {
    const double lineMs = baudRate > 0 ? count * 20'000.0 / baudRate : 0.0;
    const auto onTheLine = std::chrono::milliseconds(static_cast<long long>(std::ceil(lineMs)));
    return kWritePerByte * std::max(count, 0) + kWriteExtra + onTheLine;
}

QList<PresentSerialPort> PresentSerialPorts() {
    return InstalledLister() ? InstalledLister()() : SystemSerialPorts();
}

SerialPortLister SetSerialPortLister(SerialPortLister lister) {
    return std::exchange(InstalledLister(), std::move(lister));
}

bool SerialDeviceExists(const QString& device) {
#ifdef Q_OS_WIN
    const QList<PresentSerialPort> ports = PresentSerialPorts();
    return std::any_of(ports.cbegin(), ports.cend(), [&](const PresentSerialPort& p) {
        return p.device.compare(device, Qt::CaseInsensitive) == 0;
    });
#else
    return QFileInfo::exists(device);
#endif
}

TKMVCOM::TKMVCOM() = default;

TKMVCOM::~TKMVCOM() {
    Close();
}

bool TKMVCOM::Open(uint8_t port, int32_t baudRate, uint8_t parity) {
    return Open(SerialPortName(std::clamp<int>(port, 1, 16)), baudRate, parity);
}

bool TKMVCOM::Open(const QString& device, int32_t baudRate, uint8_t parity) {
    Close();
    FHandle = std::make_unique<QSerialPort>();
    FDeviceName = device;
    FHandle->setPortName(FDeviceName);
#ifdef Q_OS_WIN
    const ModemControl control = DriverModemControl(FDeviceName);
#endif
    // Settings given before opening are applied by the open itself; a rate the driver refuses
    // makes the open fail and leaves the port closed.
    FHandle->setBaudRate(baudRate);
    FHandle->setDataBits(QSerialPort::Data8);
    FHandle->setParity(ParityOf(parity));
    FHandle->setStopBits(QSerialPort::OneStop);
    FHandle->setReadBufferSize(kBufferSize);
    if (!FHandle->open(QIODevice::ReadWrite)) {
        FOpenFailure = FailureOf(FHandle->error(), FDeviceName);
        FHandle.reset();
        return false;
    }
    FOpenFailure = SerialFailure::None;
#ifdef Q_OS_WIN
    RestoreModemControl(HANDLE(FHandle->handle()), control);
#endif
    // A fresh port starts empty: whatever reached the device after the last exchange closed it
    // belongs to that exchange.
    FHandle->clear(QSerialPort::Input);
    FBaudRate = baudRate;
    return true;
}

bool TKMVCOM::Write(const uint8_t* buffer, int count) {
    if (!IsOpen() || count < 0)
        return false;
    if (FHandle->write(reinterpret_cast<const char*>(buffer), count) != count) {
        FHandle->clearError();
        FHandle->clear(QSerialPort::Output);
        return false;
    }
    // Hand the bytes to the driver: the loop goes on after a short write, each call bounded.
    while (FHandle->bytesToWrite() > 0) {
        const qint64 queued = FHandle->bytesToWrite();
        const auto bound = WriteCallTimeout(int(queued), FBaudRate);
        if (!FHandle->waitForBytesWritten(int(bound.count()))) {
            FHandle->clearError();
            if (FHandle->bytesToWrite() >= queued) {
                FHandle->clear(QSerialPort::Output);
                return false;
            }
        }
    }
    return DrainOutput();
}

bool TKMVCOM::DrainOutput() {
#ifdef Q_OS_WIN
    return FlushFileBuffers(HANDLE(FHandle->handle()));
#else
    const int fd = FHandle->handle();
    // Wait while the driver's queue shrinks; a queue that stops moving for a whole call's time
    // is stuck (flow control held, adapter gone), and its bytes are thrown away.
    int queued = 0;
    int last = -1;
    QDeadlineTimer stall;
    while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        if (queued != last) {
            last = queued;
            stall.setRemainingTime(WriteCallTimeout(queued, FBaudRate), Qt::PreciseTimer);
        } else if (stall.hasExpired()) {
            ::tcflush(fd, TCOFLUSH);
            return false;
        }
        std::this_thread::sleep_for(kDrainPoll);
    }
    // The queue is empty: what is left is the character in the transmitter itself.
    int result = 0;
    do
        result = ::tcdrain(fd);
    while (result != 0 && errno == EINTR);
    return result == 0;
#endif
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
