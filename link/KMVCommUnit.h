#pragma once
// TKMVCOM: one serial port, used blocking on the calling thread. A port lives for one exchange
// attempt: opened, used and closed inside it. Port n is "COMn" on Windows; elsewhere it is the
// device that key COMn of section [SerialPorts] of SystemFile.ini names (for example
// COM3=/dev/ttyUSB0), else /dev/ttyS<n-1>. Needs a QCoreApplication.
//
// Rates outside the standard termios list (43000, 56000, 256000) go through the kernel's
// custom-rate call. Pseudo-terminals take any rate; a real adapter may refuse one (the open
// then fails and the attempt counts as failed, as a refused line setting does) or round it
// (a CP2102 runs 43000 as 51200).
//
// Closing gives the port back with the line settings it had before (QSerialPort always does so
// at once: tcsetattr(TCSANOW) / SetCommState), which leaves a port shared with other programs as
// they knew it. That is safe only with nothing in flight, so Write returns only when the bytes
// have left the driver (tcdrain / FlushFileBuffers), and a write that fails discards what is
// still queued: no byte ever leaves under the earlier settings. Modem lines (RTS, DTR) stay as
// the driver has them: on Linux the kernel raises them at open and nothing here touches them; on
// Windows, where Qt switches RTS off at open, the driver's choice is read first and put back.
#include <QList>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class QSerialPort;

// Why a port could not be used.
enum class SerialFailure { None, NoDevice, NoPermission, Busy, Refused, NoAnswer };

class TKMVCOM {
public:
    TKMVCOM();
    ~TKMVCOM();
    TKMVCOM(const TKMVCOM&) = delete;
    TKMVCOM& operator=(const TKMVCOM&) = delete;

    // Port clamped to 1..16; 8 data bits, the parity given (0 none, 1 odd, 2 even, 3 mark,
    // 4 space), one stop bit, 4096-byte buffers. False when the port is missing, busy or refuses
    // the settings.
    bool Open(uint8_t port, int32_t baudRate, uint8_t parity);
    // The same for a device named directly (what a port number opens, SerialPortName).
    bool Open(const QString& device, int32_t baudRate, uint8_t parity);
    // True when every byte has left the driver. Each driver call may take WriteCallTimeout for
    // the bytes still queued; a call that moves nothing in that time ends the write (false), and
    // what is still queued is discarded so that no byte leaves later under other settings.
    bool Write(const uint8_t* buffer, int count);
    // True when exactly count bytes arrived before the read deadline; afterwards the input is
    // discarded, so surplus bytes never reach the next exchange.
    bool Read(uint8_t* buffer, int count);
    // Discards the input, then the output.
    void Purge();
    void Close();
    bool IsOpen() const;
    // Why the last Open failed (None after a successful one), and the device it tried.
    SerialFailure OpenFailure() const { return FOpenFailure; }
    QString DeviceName() const { return FDeviceName; }

private:
    bool DrainOutput();
    std::unique_ptr<QSerialPort> FHandle;
    int32_t FBaudRate = 0;
    SerialFailure FOpenFailure = SerialFailure::None;
    QString FDeviceName;
};

// The baud rate of a stored list index 1..13 (300 … 256000); 57600 for anything else.
int32_t BaudRateFromIndex(int index);
// The device opened for port number n (already clamped to 1..16).
QString SerialPortName(int port);
// Read deadline for count bytes: twenty bit times per byte, rounded half to even (10 ms if that
// gives 0), plus 100 ms.
std::chrono::milliseconds ReadDeadline(int count, int32_t baudRate);
// Time-out of one driver call that writes or drains count bytes: 5 ms per byte + 50 ms, counted
// from when the bytes can have left the line (twenty bit times each), so that slow rates get
// their time and a stalled call still ends.
std::chrono::milliseconds WriteCallTimeout(int count, int32_t baudRate);

// A serial port present on this machine.
struct PresentSerialPort {
    QString device;      // what opens it, such as /dev/ttyUSB0 or COM4
    QString description; // as the system names it
    std::optional<uint16_t> vendorId;
    std::optional<uint16_t> productId;
};
using SerialPortLister = std::function<QList<PresentSerialPort>()>;
// The serial ports present now (QSerialPortInfo unless another lister is installed).
QList<PresentSerialPort> PresentSerialPorts();
// Installs the lister (tests); an empty one restores the system's. Returns the previous one.
SerialPortLister SetSerialPortLister(SerialPortLister lister);
// Whether a device of that name exists.
bool SerialDeviceExists(const QString& device);
