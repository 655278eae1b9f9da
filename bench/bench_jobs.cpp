// Test jobs at scale: an archive of records over 10,000 registered devices (a test a day each) with
// 2,000 jobs of 5 assets, and one job of 300 assets holding their tests of one day. Times:
//   opening the job of 300 assets (its rows, every record assessed);
//   approving it (judged, the verdicts kept, the revision locked);
//   the due list of all assets (each one's last test, interval and next test).
// Usage: bench_jobs [records]   (default 1000000)
#include "archive/AssetRegister.h"
#include "archive/RecordArchive.h"
#include "archive/TestJobs.h"
#include "core/UDataCenter.h"

#include "BenchRecords.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

using bench::Device;
using bench::Ms;

constexpr int kDevices = 10000;
constexpr int kJobs = 2000;
constexpr int kJobAssets = 300;

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::max(kDevices, QString::fromLocal8Bit(argv[1]).toInt()) : 1000000;
    QTemporaryDir dir;
    RecordArchive archive;
    if (archive.open(dir.filePath(kArchiveFileName)) != ArchiveState::Open) {
        std::fprintf(stderr, "archive: %s\n", qPrintable(archive.failure().reason()));
        return 1;
    }
    std::vector<Asset> assets;
    for (int d = 0; d < kDevices; ++d) {
        Asset asset;
        asset.device = Device(d);
        asset.station = QStringLiteral("站%1").arg(d / 100);
        asset.bay = QStringLiteral("间隔%1").arg(d / 3);
        asset.phase = QString(QChar('A' + d % 3));
        asset.limit = QStringLiteral("68.5");
        assets.push_back(asset);
    }
    static_cast<void>(SaveAssets(archive, assets));
    const int tests = records / kDevices;
    std::vector<TestRecord> batch;
    for (int test = 0; test < tests; ++test) {
        for (int d = 0; d < kDevices; ++d) {
            const QDateTime when =
                QDateTime(QDate(2020, 1, 1), QTime(8, 0)).addDays(test).addSecs(60 * (d % 600));
            batch.push_back(TestRecord::FromTexts(
                {RowNumberText(int(batch.size()) + 1), FormatTestTime(when), Device(d),
                 QStringLiteral("张工"), QString(), CurrentStepText(1), LoadTimeText(5),
                 QStringLiteral("%1 uΩ").arg(40.0 + (d * 13 + test * 7) % 300 * 0.1, 0, 'f', 1)}));
        }
        if (batch.size() >= 50000 || test + 1 == tests) {
            if (const Result<int> stored = archive.store(batch, QStringLiteral("bench")); !stored)
                qFatal("%s", qPrintable(stored.reason()));
            batch.clear();
        }
    }
    TestJobs jobs(archive);
    for (int j = 0; j < kJobs; ++j) {
        TestJob job;
        job.number = QStringLiteral("J%1").arg(j);
        for (int a = 0; a < 5; ++a)
            job.planned << Device((j * 5 + a) % kDevices);
        if (!jobs.save(job)) {
            std::fprintf(stderr, "job %d not stored\n", j);
            return 1;
        }
    }
    TestJob big;
    big.number = QStringLiteral("BIG");
    big.firstDay = big.lastDay = QDate(2020, 1, 1).addDays(tests - 1);
    for (int a = 0; a < kJobAssets; ++a)
        big.planned << Device(a);
    const QString uuid = *jobs.save(big);
    const int added = *jobs.addRecords(uuid, big.planned, big.firstDay, big.lastDay);
    size_t rows = 0;
    const double openMs = Ms([&] { rows = jobs.rows(uuid)->size(); });
    (void)jobs.setSignature(QStringLiteral("甲"));
    (void)jobs.submit(uuid);
    (void)jobs.setSignature(QStringLiteral("乙"));
    (void)jobs.check(uuid);
    (void)jobs.setSignature(QStringLiteral("丙"));
    Outcome approved;
    const double approveMs = Ms([&] { approved = jobs.approve(uuid); });
    size_t dueCount = 0;
    const double dueMs = Ms([&] { dueCount = jobs.dueList()->size(); });
    std::printf("archive: %lld records, %d devices, %d jobs\n", archive.recordCount(), kDevices, kJobs + 1);
    std::printf("opening a job of %d assets (%d records, %zu rows): %.1f ms (goal < 200 ms)\n", kJobAssets,
                added, rows, openMs);
    std::printf("approving it: %.1f ms%s (goal < 200 ms)\n", approveMs,
                approved ? "" : qPrintable(QStringLiteral(" FAILED: ") + approved.reason()));
    std::printf("the due list of %zu assets: %.1f ms (goal < 500 ms)\n", dueCount, dueMs);
    return approved ? 0 : 1;
}
