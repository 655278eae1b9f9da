// Times of LoadSettings, SaveSettings and the serial port look-up of one exchange attempt on a
// settings file of 50 MB (the program's entries first, a large section of other entries, then
// [SerialPorts]), best of a few rounds; also prints peak memory.
// Usage: bench_settings
#include "core/UDataCenter.h"
#include "link/KMVCommUnit.h"
#include "tests/support/TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

constexpr int kRounds = 3;

double Best(const std::function<void()>& step) {
    double best = -1;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        step();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (best < 0 || ms < best)
            best = ms;
    }
    return best;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    TempProgramDir dir;
    QByteArray data =
        "[SetParam]\r\nstrCurrentStep=30 A\r\niTestTime=17\r\n[Communication]\r\ngiCommStyle=1\r\n"
        "[Other]\r\n";
    for (int i = 0; data.size() < (50 << 20); ++i)
        data += "entry" + QByteArray::number(i) + "=some value kept as it is\r\n";
    data += "[SerialPorts]\r\nCOM3=/dev/ttyUSB0\r\n";
    {
        QFile file(SettingsFilePath());
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
            return 1;
    }
    data.clear();
    data.squeeze();
    const double load = Best([] { LoadSettings(); });
    const double save = Best([] {
        ++giBaudRate;
        static_cast<void>(SaveSettings());
    });
    SerialPortName(3);
    const double lookup = Best([] { SerialPortName(3); });
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("settings file 50 MB: LoadSettings %.0f ms, SaveSettings %.0f ms, port look-up %.3f ms, "
                "peak memory %ld MiB\n",
                load, save, lookup, usage.ru_maxrss / 1024);
    return 0;
}
