// Times of the save and open commands as the main window runs them: the text data file with
// 10,000 and 100,000 records, the .xlsx workbook with 10,000 (and 100,000) records, the .xls
// workbook and the .csv file with 10,000 records. Each figure is
// the best of a few rounds; the workbook figures include the busy dialog's two 10 ms steps, and
// the export's the 100 ms pause before the folder is shown. Also prints peak memory.
// Usage: bench_files
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "tests/support/TestSupport.h"
#include "ui/UMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

constexpr int kRounds = 3;

void Fill(TFrmMain& window, int records) {
    std::vector<RecordGrid::Row> rows(static_cast<size_t>(records));
    for (int i = 0; i < records; ++i) {
        rows[size_t(i)] = RecordGrid::Row{RowNumberText(i + 1),
                                          QStringLiteral("24-05-%1 %2:%3")
                                              .arg(1 + i % 28, 2, 10, QChar('0'))
                                              .arg(i % 24, 2, 10, QChar('0'))
                                              .arg(i % 60, 2, 10, QChar('0')),
                                          QStringLiteral("DL%1").arg(100000 + i),
                                          i % 2 ? QStringLiteral("张工") : QStringLiteral("ZHANG"),
                                          QStringLiteral("二号主变%1间隔").arg(i % 9),
                                          CurrentStepText(unsigned(1 + i % 22)),
                                          LoadTimeText(5 + i % 56),
                                          QStringLiteral("%1 uΩ").arg(10.0 + i * 0.1, 0, 'f', 1)};
    }
    window.Grid()->replaceDataRows(std::move(rows));
    giRecordCount = records;
}

// Best time of kRounds runs of the step, in milliseconds; the preparation is not timed.
double Best(
    const std::function<void()>& step, const std::function<void()>& prepare = [] {}) {
    double best = -1;
    for (int round = 0; round < kRounds; ++round) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        step();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        best = best < 0 ? ms : std::min(best, ms);
    }
    return best;
}

struct Pair {
    double save;
    double open;
};

Pair Measure(TFrmMain& window, TempProgramDir& dir, int records, const QString& ending) {
    const QString path = dir.filePath(QStringLiteral("bench-%1%2").arg(records).arg(ending));
    const bool text = ending == QLatin1String(".txt");
    Fill(window, records);
    const double save = Best([&] { text ? window.SaveToTextFile(path) : window.ExportToExcel(path); });
    const double open = Best([&] { text ? window.LoadFromTextFile(path) : window.ImportFromExcel(path); },
                             [&] { window.ClearGrid(); });
    if (giRecordCount != records) {
        std::fprintf(stderr, "bench_files: %s read back %d of %d records\n", qPrintable(path), giRecordCount,
                     records);
        std::exit(1);
    }
    std::printf("bench_files: %7d records %-5s  save %9.1f ms  open %9.1f ms  (%lld KB)\n", records,
                qPrintable(ending), save, open, static_cast<long long>(QFileInfo(path).size() / 1024));
    std::fflush(stdout);
    return {save, open};
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TempProgramDir dir;
    MessageRecorder messages;
    FolderRecorder folders;
    TFrmMain window;

    const Pair text10k = Measure(window, dir, 10000, QStringLiteral(".txt"));
    const Pair text100k = Measure(window, dir, 100000, QStringLiteral(".txt"));
    const Pair book10k = Measure(window, dir, 10000, QStringLiteral(".xlsx"));
    const Pair book100k = Measure(window, dir, 100000, QStringLiteral(".xlsx"));
    Measure(window, dir, 10000, QStringLiteral(".xls"));
    Measure(window, dir, 10000, QStringLiteral(".csv"));
    std::printf("bench_files: .txt  t(100k)/t(10k)  save %.1f  open %.1f\n", text100k.save / text10k.save,
                text100k.open / text10k.open);
    std::printf("bench_files: .xlsx t(100k)/t(10k)  save %.1f  open %.1f\n", book100k.save / book10k.save,
                book100k.open / book10k.open);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("bench_files: peak resident memory %ld MB\n", usage.ru_maxrss / 1024);
    if (!messages.messages.isEmpty()) {
        std::fprintf(stderr, "bench_files: unexpected message: %s\n",
                     qPrintable(messages.texts().join('\n')));
        return 1;
    }
    return 0;
}
