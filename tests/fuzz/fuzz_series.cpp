// The serial-number request builder on arbitrary typed text: always 9 bytes starting with 0xF7,
// and a text of 16 hexadecimal digits comes back as exactly its bytes.
#include "link/Protocol.h"
#include "ui/UDlgSeries.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const SeriesRequest request = BuildSeriesRequest(text);
    if (request[0] != cmdWriteSerial)
        std::abort();
    uint8_t reply[9] = {cmdReadSerial};
    for (int i = 1; i < 9; ++i)
        reply[i] = request[size_t(i)];
    const QString shown = DecodeSerialNumber(reply);
    const SeriesRequest again = BuildSeriesRequest(shown);
    if (again != request)
        std::abort();
    return 0;
}
