// Time to open one device's history over a data folder of 1,000 data files holding 100,000
// records in all (100 a file, the device in one record of each, 1,000 in all): the first opening
// reads every file, a second one finds them unchanged in the cache. Figures are for the gathering
// alone and for the whole window (table and chart); the files lie in the page cache, as after the
// program wrote them. Also prints peak memory.
// Usage: bench_history
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "history/DeviceHistory.h"
#include "report/DataFile.h"
#include "tests/support/TestSupport.h"
#include "ui/UDlgHistory.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

constexpr int kFiles = 1000;
constexpr int kRecordsPerFile = 100;
constexpr int kRounds = 3;
const QString kDevice = QStringLiteral("QF-7");

void WriteFolder(const QString& folder) {
    RecordGrid grid;
    grid.setGridRowCount(kRecordsPerFile + 1);
    for (int c = 0; c < RecordGrid::ColumnCount; ++c)
        grid.setCell(c, 0, RecordGrid::Headers().at(c));
    for (int f = 0; f < kFiles; ++f) {
        for (int r = 1; r <= kRecordsPerFile; ++r) {
            const int day = f % 28 + 1;
            grid.setRow(
                r, RecordGrid::Row{RowNumberText(r),
                                   QStringLiteral("%1-%2-%3 %4:%5")
                                       .arg(20 + f / 336, 2, 10, QChar('0'))
                                       .arg(f / 28 % 12 + 1, 2, 10, QChar('0'))
                                       .arg(day, 2, 10, QChar('0'))
                                       .arg(r % 24, 2, 10, QChar('0'))
                                       .arg(r % 60, 2, 10, QChar('0')),
                                   r == 1 ? kDevice : QStringLiteral("QF-%1").arg(1000 + f * 100 + r),
                                   QStringLiteral("张工"), QStringLiteral("二号主变%1间隔").arg(r % 9),
                                   CurrentStepText(unsigned(1 + r % 6)), LoadTimeText(5 + r % 56),
                                   QStringLiteral("%1 uΩ").arg(50.0 + (f * 7 + r) % 200 * 0.1, 0, 'f', 1)});
        }
        const QString sub = folder + QStringLiteral("/站%1").arg(f / 100);
        QDir().mkpath(sub);
        if (const Outcome written =
                WriteDataFile(sub + QStringLiteral("/记录%1.txt").arg(f), grid, kRecordsPerFile);
            !written)
            std::fprintf(stderr, "write failed: %s\n", qPrintable(written.reason()));
    }
}

double Ms(const std::function<void()>& step) {
    QElapsedTimer timer;
    timer.start();
    step();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TempProgramDir dir;
    const QString folder = EnsureDataFolder();
    WriteFolder(folder);
    RecordGrid grid;
    grid.setGridRowCount(2);

    double gatherCold = -1, gatherWarm = -1, windowCold = -1, windowWarm = -1;
    size_t found = 0;
    for (int round = 0; round < kRounds; ++round) {
        SharedHistoryCache().clear();
        const double cold = Ms([&] {
            found = GatherDeviceHistory(kDevice, grid, 0, folder, SharedHistoryCache()).entries.size();
        });
        const double warm = Ms([&] { GatherDeviceHistory(kDevice, grid, 0, folder, SharedHistoryCache()); });
        SharedHistoryCache().clear();
        const double wCold = Ms([&] {
            auto* dialog = new TFrmHistory(grid, 0, kDevice);
            dialog->show();
            QCoreApplication::processEvents();
            delete dialog;
        });
        const double wWarm = Ms([&] {
            auto* dialog = new TFrmHistory(grid, 0, kDevice);
            dialog->show();
            QCoreApplication::processEvents();
            delete dialog;
        });
        auto best = [](double& slot, double value) { slot = slot < 0 ? value : std::min(slot, value); };
        best(gatherCold, cold);
        best(gatherWarm, warm);
        best(windowCold, wCold);
        best(windowWarm, wWarm);
    }
    std::printf("history of one device (%zu records) across %d files / %d records, best of %d:\n", found,
                kFiles, kFiles * kRecordsPerFile, kRounds);
    std::printf("  gathering, first opening:  %8.1f ms\n", gatherCold);
    std::printf("  gathering, second opening: %8.1f ms\n", gatherWarm);
    std::printf("  window, first opening:     %8.1f ms\n", windowCold);
    std::printf("  window, second opening:    %8.1f ms\n", windowWarm);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("  peak memory: %ld MB\n", usage.ru_maxrss / 1024);
    return 0;
}
