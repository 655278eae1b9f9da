#pragma once
// The link dispatcher and the two exchanges. Every exchange is blocking, opens its link and
// closes it again; none shows anything to the user.
#include <QString>
#include <array>
#include <cstdint>

// Byte 0 holds the code, the request's arguments follow; the reply is read back from byte 0.
using CommandBuffer = std::array<uint8_t, 64>;
// Every USB reply is read as one block of this many bytes.
constexpr int kUsbReplyBlock = 64;
// Consecutive stray reads (first byte not the code) after which a USB attempt fails.
constexpr int kUsbStrayReadLimit = 8;

// The link settings in use: which link, the COM port and the device it opens, the baud rate.
// Taken once per flow and handed to the exchanges, so that no serial attempt reads the settings
// file; a change in the link settings dialog applies from the next flow on.
struct LinkSettings {
    int32_t commStyle = 0; // 0 USB, anything else the serial link
    int port = 1;          // COM port number, 1..16
    QString portDevice;    // what the port opens
    int32_t baudRate = 0;  // bits per second
    // From giCommStyle, giCommPort, giBaudRate and the port's assignment (this run's, or the
    // settings file's [SerialPorts]).
    static LinkSettings Current();
};

// Runs one exchange over USB (commStyle 0) or the serial port (anything else). A failed serial
// exchange says why in *failure, in the user's words, naming the port and its device (no such
// device, no rights, in use, settings refused, no answer); it is emptied after a success.
bool SendCommand(const LinkSettings& link, uint8_t code, CommandBuffer& buffer, int replyLength,
                 int requestLength, QString* failure = nullptr);
bool SerialExchange(const LinkSettings& link, uint8_t code, CommandBuffer& buffer, int replyLength,
                    int requestLength, QString* failure = nullptr);
// The same with the settings in use now.
bool SendCommand(uint8_t code, CommandBuffer& buffer, int replyLength, int requestLength,
                 QString* failure = nullptr);
bool SerialExchange(uint8_t code, CommandBuffer& buffer, int replyLength, int requestLength,
                    QString* failure = nullptr);
bool UsbExchange(uint8_t code, CommandBuffer& buffer, int replyLength, int requestLength);
// Whether the lengths stay within a CommandBuffer (request 1..64 bytes, reply 0..64 bytes);
// the exchanges refuse anything else without touching the link.
bool LengthsFitBuffer(int replyLength, int requestLength);
