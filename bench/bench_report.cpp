// Time to write a 1,000-record report as a PDF file, the way "导出PDF" writes it.
// Usage: bench_report [file.pdf]
#include "core/UDataCenter.h"
#include "report/UQRMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

namespace {

constexpr int kRecords = 1000;
constexpr int kRounds = 3;

void FillRows(TQRMain& report) {
    report.AllocRows(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        TQRMain::ReportRow& row = report.Rows[size_t(i)];
        row[0] = QStringLiteral("24-05-%1 %2:%3")
                     .arg(1 + i % 28, 2, 10, QChar('0'))
                     .arg(i % 24, 2, 10, QChar('0'))
                     .arg(i % 60, 2, 10, QChar('0'));
        row[1] = QStringLiteral("DL%1").arg(100000 + i);
        row[2] = i % 2 ? QStringLiteral("张工") : QStringLiteral("ZHANG");
        row[3] = QStringLiteral("二号主变%1间隔").arg(i % 9);
        row[4] = QStringLiteral("%1 A").arg(100 * (1 + i % 6));
        row[5] = QStringLiteral("%1 秒").arg(5 + i % 56);
        row[6] = QStringLiteral("%1 uΩ").arg(10.0 + i * 0.1, 0, 'f', 1);
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    giDeviceType = 1;
    TQRMain report;
    FillRows(report);
    report.PrepareReport();
    // An optional argument keeps the file for a look at it.
    const QString path =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath(QStringLiteral("report.pdf"));

    qint64 best = -1;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        if (!report.ExportPdf(path)) {
            std::fprintf(stderr, "bench_report: writing %s failed\n", qPrintable(path));
            return 1;
        }
        const qint64 elapsed = timer.elapsed();
        best = best < 0 ? elapsed : std::min(best, elapsed);
        std::printf("bench_report: round %d: %d records to PDF in %lld ms (%lld KB)\n", round + 1, kRecords,
                    static_cast<long long>(elapsed), static_cast<long long>(QFileInfo(path).size() / 1024));
    }
    std::printf("bench_report: best of %d: %lld ms\n", kRounds, static_cast<long long>(best));
    return 0;
}
