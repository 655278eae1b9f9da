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

// Runs one exchange over USB (giCommStyle 0) or the serial port (anything else). A failed serial
// exchange says why in *failure, in the user's words, naming the port and its device (no such
// device, no rights, in use, settings refused, no answer); it is emptied after a success.
bool SendCommand(uint8_t code, CommandBuffer& buffer, int replyLength, int requestLength,
                 QString* failure = nullptr);
bool UsbExchange(uint8_t code, CommandBuffer& buffer, int replyLength, int requestLength);
bool SerialExchange(uint8_t code, CommandBuffer& buffer, int replyLength, int requestLength,
                    QString* failure = nullptr);
// Whether the lengths stay within a CommandBuffer (request 1..64 bytes, reply 0..64 bytes);
// the exchanges refuse anything else without touching the link.
bool LengthsFitBuffer(int replyLength, int requestLength);
