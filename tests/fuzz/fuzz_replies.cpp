// Every reply decoder on arbitrary reply blocks: the first byte picks the decoder, the rest is the
// block as the instrument might send it.
#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "link/UCommUnit.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    CommandBuffer reply{};
    std::memcpy(reply.data(), data + 1, std::min(size - 1, reply.size()));
    switch (data[0] % 6) {
    case 0: {
        const auto texts = DecodeRecord(reply.data(), reply[1] + 1);
        if (texts[2].size() > 8 || texts[3].size() > 8 || texts[4].size() > 8)
            std::abort();
        break;
    }
    case 1: {
        const auto flags = DecodeStepFlags(reply.data());
        for (int code : StepCodesByCurrent())
            if (OfferedStepText(flags[size_t(code - 1)], unsigned(code)).isEmpty() !=
                (flags[size_t(code - 1)] != 1))
                std::abort();
        break;
    }
    case 2:
        DecodePoll(reply.data());
        break;
    case 3:
        if (DecodeSerialNumber(reply.data()).size() != 16)
            std::abort();
        break;
    case 4:
        if (ByteTraceLines(reply.data(), int(reply.size())).size() != int(reply.size()))
            std::abort();
        break;
    default:
        ModelText(reply[1]);
        DeviceTypeFromUsbString(QString::fromLatin1(reinterpret_cast<const char*>(reply.data()), 64));
        break;
    }
    return 0;
}
