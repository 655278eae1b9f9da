// Placeholder until the exchanges land: every exchange fails.
#include "link/UCommUnit.h"

#include "core/UDataCenter.h"

bool SendCommand(uint8_t code, CommandBuffer& buffer, int replyLength, int requestLength) {
    if (giCommStyle == 0)
        return UsbExchange(code, buffer, 64, requestLength);
    return SerialExchange(code, buffer, replyLength, requestLength);
}

bool UsbExchange(uint8_t, CommandBuffer&, int, int) {
    return false;
}

bool SerialExchange(uint8_t, CommandBuffer&, int, int) {
    return false;
}
