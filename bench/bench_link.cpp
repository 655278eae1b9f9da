// Upload of 255 stored records over the serial link: the program's exchange against the virtual
// instrument on a pseudo-terminal, the instrument sending its bytes at the line rate (ten bit
// times per byte). The wall time is set against the protocol's own floor.
//
// Floor of one exchange: the request and the reply take their byte times on the line while the
// program sleeps its 100 ms after the write, so the read can end at max(100 ms, byte times);
// then the 100 ms pause after the close. The ratio to that floor is the figure of merit; the
// ratio to the plain sum of the pauses and the byte times is printed too.
//
//   bench_link [baud index, default 6 = 9600]
#include "core/UDataCenter.h"
#include "link/KMVCommUnit.h"
#include "link/Protocol.h"
#include "link/UCommUnit.h"
#include "sim/SimOptions.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>

namespace {

using namespace std::chrono_literals;
using Seconds = std::chrono::duration<double>;
constexpr auto kPause = 100ms;
constexpr int kRecords = 255;

struct Floor {
    Seconds overlapped{0};
    Seconds summed{0};
    void add(int requestBytes, int replyBytes, int baud) {
        const Seconds line((requestBytes + replyBytes) * 10.0 / baud);
        overlapped += std::max<Seconds>(kPause, line) + kPause;
        summed += kPause + line + kPause;
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int baudIndex = argc > 1 ? std::atoi(argv[1]) : 6;
    const int baud = BaudRateFromIndex(baudIndex);
    TempProgramDir dir;
    SimSetup setup;
    setup.records = GeneratedRecords(kRecords);
    SerialSim sim(setup);
    if (!sim.ok()) {
        std::fprintf(stderr, "bench_link: no pseudo-terminal\n");
        return 1;
    }
    sim.pointProgramAt(3, baudIndex);

    Floor floor;
    const auto start = std::chrono::steady_clock::now();
    CommandBuffer buffer{cmdRecordCount};
    if (!SendCommand(cmdRecordCount, buffer, ReplyLength(cmdRecordCount), 1) || buffer[1] != kRecords) {
        std::fprintf(stderr, "bench_link: record count failed\n");
        return 1;
    }
    floor.add(1, ReplyLength(cmdRecordCount), baud);
    for (int k = 0; k < kRecords; ++k) {
        buffer = {cmdReadRecord, uint8_t(k)};
        if (!SendCommand(cmdReadRecord, buffer, ReplyLength(cmdReadRecord), 2) ||
            buffer[0] != cmdReadRecord) {
            std::fprintf(stderr, "bench_link: record %d failed\n", k);
            return 1;
        }
        floor.add(2, ReplyLength(cmdReadRecord), baud);
    }
    const Seconds wall = std::chrono::steady_clock::now() - start;

    const int exchanges = kRecords + 1;
    std::printf("bench_link: %d exchanges at %d baud\n", exchanges, baud);
    std::printf("  wall time                      %8.3f s (%.2f ms per exchange)\n", wall.count(),
                wall.count() * 1000 / exchanges);
    std::printf("  floor, byte times overlapped   %8.3f s   ratio %.4f\n", floor.overlapped.count(),
                wall / floor.overlapped);
    std::printf("  pauses + byte times, summed    %8.3f s   ratio %.4f\n", floor.summed.count(),
                wall / floor.summed);
    std::printf("  overhead per exchange          %8.2f ms\n",
                (wall - floor.overlapped).count() * 1000 / exchanges);
    return 0;
}
