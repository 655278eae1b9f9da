// The record archive at scale: an archive of 1,000,000 records over 10,000 devices (3,333 bays of
// three phases in 100 stations, every device in the register with a limit and a baseline), and
// the times of what users wait for:
//   the check of the whole file at the first opening;
//   one device's history (its records, and their assessment), over 100 devices;
//   the station overview (every device's last test, its change and its verdict);
//   storing an upload of 255 records (one transaction, synchronous to the disk), and storing it
//   as an upload does while its records come in, a slice at a time;
//   bringing in 1,000 data files of 100 records each (100,000 records), then looking again.
// The archive lies on the disk of the temporary folder. Also prints peak memory.
// Usage: bench_archive [records [archive]]   (default 1000000; an archive file given is filled once
// and reused by later runs, which then skip the filling)
#include "archive/ArchiveImport.h"
#include "archive/ArchiveQueries.h"
#include "archive/AssetRegister.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"

#include "BenchRecords.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <sys/resource.h>
#include <sys/time.h>

namespace {

using bench::Device;
using bench::Ms;
using bench::Texts;

constexpr int kDevices = 10000;
constexpr int kFiles = 1000;
constexpr int kRecordsPerFile = 100;

long PeakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::max(kDevices, QString::fromLocal8Bit(argv[1]).toInt()) : 1000000;
    const int testsPerDevice = records / kDevices;
    QTemporaryDir dir;
    const QString archiveFile = argc > 2 ? QString::fromLocal8Bit(argv[2]) : dir.filePath(kArchiveFileName);
    RecordArchive archive;
    if (archive.open(archiveFile) != ArchiveState::Open) {
        std::fprintf(stderr, "archive: %s\n", qPrintable(archive.failure().reason()));
        return 1;
    }

    // The register: stations of 33 bays of three phases.
    std::vector<Asset> assets;
    for (int d = 0; d < kDevices; ++d) {
        Asset asset;
        asset.device = Device(d);
        asset.station = QStringLiteral("站%1").arg(d / 100);
        asset.bay = QStringLiteral("间隔%1").arg(d / 3);
        asset.phase = QString(QChar('A' + d % 3));
        asset.kind = QStringLiteral("断路器");
        asset.factory = QStringLiteral("45");
        asset.limit = QStringLiteral("68.5");
        assets.push_back(asset);
    }
    const bool filled = archive.recordCount() >= records;
    const double registerMs = filled ? 0 : Ms([&] { static_cast<void>(SaveAssets(archive, assets)); });

    const double fillMs = filled ? 0 : Ms([&] {
        std::vector<TestRecord> batch;
        for (int test = 0; test < testsPerDevice; ++test) {
            for (int d = 0; d < kDevices; ++d)
                batch.push_back(TestRecord::FromTexts(Texts(d, test, int(batch.size()) + 1)));
            if (batch.size() >= 50000 || test + 1 == testsPerDevice) {
                if (const Result<int> stored = archive.store(batch, QStringLiteral("bench")); !stored)
                    qFatal("%s", qPrintable(stored.reason()));
                batch.clear();
            }
        }
    });
    std::printf("archive: %lld records over %d devices (filled in %.1f s, register of %zu in %.0f ms)\n",
                archive.recordCount(), kDevices, fillMs / 1000, assets.size(), registerMs);

    // The whole-file check the program makes once per run before its first write.
    QString checked;
    const double checkMs = Ms([&] { checked = archive.check(false); });
    std::printf("the check at the first opening (quick_check), file of %lld MiB: %.0f ms (%s)\n",
                QFileInfo(archive.fileName()).size() >> 20, checkMs, qPrintable(checked));

    // One device's history, and its assessment.
    std::vector<double> history, assessed;
    ArchiveAssessor assessor(archive);
    for (int i = 0; i < 100; ++i) {
        const QString device = Device((i * 997) % kDevices).toLower();
        std::vector<ArchivedRecord> found;
        history.push_back(Ms([&] { found = DeviceRecords(archive, device); }));
        assessed.push_back(Ms([&] {
            for (const ArchivedRecord& record : found)
                assessor.assess(record.device, record.testTime, record.stepAmperes, record.microOhms);
        }));
    }
    std::sort(history.begin(), history.end());
    std::sort(assessed.begin(), assessed.end());
    std::printf("one device's history (%d records): median %.2f ms, max %.2f ms; with every record assessed: "
                "median %.1f ms, max %.1f ms (limit < 50 ms)\n",
                testsPerDevice, history[50], history.back(), history[50] + assessed[50],
                history.back() + assessed.back());

    std::vector<OverviewStation> stations;
    const double overviewMs = Ms([&] { stations = BuildOverview(archive); });
    const double againMs = Ms([&] { stations = BuildOverview(archive); });
    std::printf("overview: %zu stations, %.0f ms, again %.0f ms (limit < 1000 ms)\n", stations.size(),
                overviewMs, againMs);
    if (qEnvironmentVariableIsSet("OHMARA_BENCH_OVERVIEW_ONLY"))
        return 0;

    std::vector<TestRecord> upload;
    const int uploadTest = testsPerDevice + 1 + int(archive.recordCount() - records) / 255; // new on reuse
    for (int k = 0; k < 255; ++k)
        upload.push_back(TestRecord::FromTexts(Texts(k * 37 % kDevices, uploadTest, k + 1)));
    int added = 0;
    const double uploadMs = Ms([&] {
        const Result<int> stored = archive.store(upload, QStringLiteral("upload"));
        added = stored ? *stored : -1;
    });
    const double storedAgainMs = Ms([&] { (void)archive.store(upload, QStringLiteral("upload")); });
    std::printf(
        "upload of 255 records: %d added in %.1f ms, the same again (no doubles) %.1f ms (limit < 100 ms)\n",
        added, uploadMs, storedAgainMs);
    // An upload stores its records while they come in, a slice at a time: the stores added up.
    std::vector<TestRecord> sliced;
    for (int k = 0; k < 255; ++k)
        sliced.push_back(TestRecord::FromTexts(Texts(k * 37 % kDevices, uploadTest + 1, k + 1)));
    double slicedMs = 0;
    int slices = 0;
    for (size_t first = 0; first < sliced.size(); first += ProgramArchive::kUploadSlice, ++slices) {
        const std::vector<TestRecord> slice(
            sliced.begin() + qsizetype(first),
            sliced.begin() + qsizetype(std::min(sliced.size(), first + ProgramArchive::kUploadSlice)));
        slicedMs += Ms([&] { (void)archive.store(slice, QStringLiteral("upload")); });
    }
    std::printf("the same upload stored as it comes in, %d slices: %.1f ms in all (limit < 100 ms)\n", slices,
                slicedMs);

    // 1,000 data files of 100 records in a folder of their own, brought into a fresh archive.
    const QString folder = dir.filePath(QStringLiteral("测试记录"));
    RecordGrid grid;
    grid.setGridRowCount(kRecordsPerFile + 1);
    for (int c = 0; c < RecordGrid::ColumnCount; ++c)
        grid.setCell(c, 0, RecordGrid::Headers().at(c));
    for (int f = 0; f < kFiles; ++f) {
        for (int r = 1; r <= kRecordsPerFile; ++r)
            grid.setRow(r, Texts((f * kRecordsPerFile + r) % kDevices, 2000 + f, r));
        const QString sub = folder + QStringLiteral("/站%1").arg(f / 100);
        QDir().mkpath(sub);
        const QString name = sub + QStringLiteral("/记录%1.txt").arg(f);
        if (const Outcome written = WriteDataFile(name, grid, kRecordsPerFile); !written)
            std::fprintf(stderr, "write failed: %s\n", qPrintable(written.reason()));
        const struct timeval old[2] = {{1700000000, 0}, {1700000000, 0}};
        ::utimes(QFile::encodeName(name).constData(), old);
    }
    RecordArchive fresh;
    fresh.open(dir.filePath(QStringLiteral("fresh.sqlite")));
    ImportOptions options;
    options.root = folder;
    ImportSummary first, second;
    const double importMs = Ms([&] { first = ImportFiles(fresh, {folder}, options); });
    const double lookMs = Ms([&] { second = ImportFiles(fresh, {folder}, options); });
    std::printf("bringing in %d files of %d records: %lld records added in %.2f s (limit < 10 s); looking "
                "again: %d unchanged in %.0f ms\n",
                first.filesRead, kRecordsPerFile, first.recordsAdded, importMs / 1000, second.filesUnchanged,
                lookMs);
    std::printf("peak memory: %ld MiB\n", PeakMiB());
    return 0;
}
