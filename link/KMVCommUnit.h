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
#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>

class QSerialPort;

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
    // True when every byte was handed to the driver within 5 ms per byte + 50 ms.
    bool Write(const uint8_t* buffer, int count);
    // True when exactly count bytes arrived before the read deadline; afterwards the input is
    // discarded, so surplus bytes never reach the next exchange.
    bool Read(uint8_t* buffer, int count);
    // Discards the input, then the output.
    void Purge();
    void Close();
    bool IsOpen() const;

private:
    std::unique_ptr<QSerialPort> FHandle;
    int32_t FBaudRate = 0;
};

// The baud rate of a stored list index 1..13 (300 … 256000); 57600 for anything else.
int32_t BaudRateFromIndex(int index);
// The device opened for port number n (already clamped to 1..16).
QString SerialPortName(int port);
// Read deadline for count bytes: twenty bit times per byte, rounded half to even (10 ms if that
// gives 0), plus 100 ms.
std::chrono::milliseconds ReadDeadline(int count, int32_t baudRate);
