// Time to write a 1,000-record report as a PDF file, the way "导出PDF" writes it; then the signed
// report of test jobs of 30 and of 300 assets with their trend charts, read from an archive and
// written as a PDF, with the peak memory after each (pages are drawn one at a time, so the peak
// hardly grows with the assets).
// Usage: bench_report [file.pdf [job-report.pdf]]
#include "archive/AssetRegister.h"
#include "archive/RecordArchive.h"
#include "archive/TestJobs.h"
#include "core/UDataCenter.h"
#include "report/JobReport.h"
#include "report/UQRMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

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

long PeakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A job of `count` assets (bays of three phases) of one station, each with six yearly tests at
// two current steps, the last year's joined to the job; its uuid.
QString FillJob(RecordArchive& archive, int count) {
    std::vector<Asset> assets;
    std::vector<TestRecord> records;
    const QString station = QStringLiteral("站%1").arg(count);
    for (int i = 0; i < count; ++i) {
        Asset asset;
        asset.device = QStringLiteral("%1-QF%2").arg(station).arg(i);
        asset.station = station;
        asset.bay = QStringLiteral("%1号间隔").arg(i / 3 + 1);
        asset.phase = QString(QChar(u'A' + i % 3));
        asset.limit = QStringLiteral("80");
        asset.factory = QStringLiteral("40");
        assets.push_back(asset);
        for (int year = 19; year <= 24; ++year)
            for (const char* step : {"100 A", "200 A"})
                records.push_back(TestRecord::FromTexts(
                    {QStringLiteral(" 1"),
                     QStringLiteral("%1-03-15 09:%2").arg(year).arg(i % 60, 2, 10, QChar('0')), asset.device,
                     QStringLiteral("LI"), QStringLiteral("LAB"), QLatin1String(step), QStringLiteral("5 秒"),
                     QStringLiteral("%1 uΩ").arg(40 + year - 19 + i % 7 * 0.5, 0, 'f', 1)}));
    }
    if (!SaveAssets(archive, assets) || !archive.store(records, QStringLiteral("upload")))
        return {};
    TestJobs jobs(archive);
    TestJob job;
    job.number = QStringLiteral("%1-20240315-01").arg(station);
    job.station = station;
    job.kind = QStringLiteral("例行试验");
    job.firstDay = job.lastDay = QDate(2024, 3, 15);
    for (const Asset& asset : assets)
        job.planned << asset.device;
    const Result<QString> uuid = jobs.save(job);
    if (!uuid || !jobs.addRecords(*uuid, job.planned, job.firstDay, job.lastDay))
        return {};
    return *uuid;
}

int BenchJobReport(const QString& folder, const QString& pdf) {
    RecordArchive archive;
    if (archive.open(folder + QStringLiteral("/job.sqlite")) != ArchiveState::Open)
        return 1;
    const ReportTemplate form = LoadReportTemplate(folder);
    for (const int count : {30, 300}) {
        const QString uuid = FillJob(archive, count);
        if (uuid.isEmpty()) {
            std::fprintf(stderr, "bench_report: the job of %d assets could not be stored\n", count);
            return 1;
        }
        QElapsedTimer timer;
        timer.start();
        const Result<JobReportContent> content = LoadJobReportContent(archive, uuid, folder, true);
        const qint64 read = timer.elapsed();
        const Outcome written = content ? WriteJobReportPdf(*content, form, pdf) : Outcome(content);
        if (!written) {
            std::fprintf(stderr, "bench_report: %s\n", qPrintable(written.reason()));
            return 1;
        }
        std::printf("bench_report: job report of %d assets with trend charts: read %lld ms, read and written "
                    "in %lld ms "
                    "(%lld KB); peak memory %ld MB\n",
                    count, static_cast<long long>(read), static_cast<long long>(timer.elapsed()),
                    static_cast<long long>(QFileInfo(pdf).size() / 1024), PeakMegabytes());
    }
    return 0;
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
    return BenchJobReport(dir.path(), argc > 2 ? QString::fromLocal8Bit(argv[2])
                                               : dir.filePath(QStringLiteral("job.pdf")));
}
