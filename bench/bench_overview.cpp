// The station overview window at scale: the program's archive of 1,000,000 records over 10,000
// registered devices (3,333 bays of three phases in 100 stations, as bench_archive), and the times
// of what a user waits for in the window:
//   opening it (the overview read and assessed, the due dates, the tree shown and painted);
//   typing a device number into the search, choosing a verdict, clearing both;
//   showing only the overdue assets; sorting by resistance;
// and the register window of the 10,000 devices: opening, searching, sorting.
// Usage: bench_overview [records [folder]]   (default 1000000; a program folder given is filled once
// and reused by later runs, which then skip the filling)
#include "archive/ArchiveQueries.h"
#include "archive/AssetRegister.h"
#include "archive/ProgramArchive.h"
#include "archive/RecordArchive.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "ui/UDlgOverview.h"
#include "ui/UDlgRegister.h"

#include "BenchRecords.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeView>
#include <cstdio>
#include <functional>
#include <sys/resource.h>

namespace {

using bench::Device;
using bench::Texts;

constexpr int kDevices = 10000;

// The step and what the window painted once its events are handled.
double Ms(const std::function<void()>& step) {
    return bench::Ms([&] {
        step();
        QCoreApplication::processEvents();
    });
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const int records = argc > 1 ? std::max(kDevices, QString::fromLocal8Bit(argv[1]).toInt()) : 1000000;
    const int testsPerDevice = records / kDevices;
    QTemporaryDir temporary;
    SetExecutableDir(argc > 2 ? QString::fromLocal8Bit(argv[2]) : temporary.path());
    RecordArchive& archive = ProgramArchive::shared().archive();
    if (!archive.writable()) {
        std::fprintf(stderr, "archive: %s\n", qPrintable(archive.failure().reason()));
        return 1;
    }
    if (archive.recordCount() < records) {
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
        static_cast<void>(SaveAssets(archive, assets));
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
    }
    std::printf("archive: %lld records over %d devices\n", archive.recordCount(), kDevices);

    TFrmOverview* window = nullptr;
    const auto step = [](const char* what, const std::function<void()>& run) {
        std::printf("  %-40s %8.0f ms\n", what, Ms(run));
        std::fflush(stdout);
    };
    std::printf("overview window:\n");
    step("opened (read, assessed, shown)", [&] {
        window = new TFrmOverview;
        window->show();
    });
    step("a device number typed into the search",
         [&] { window->EdtSearch->setText(QStringLiteral("QF0999")); });
    step("a verdict chosen", [&] { window->CBVerdict->setCurrentIndex(2); });
    step("both cleared", [&] {
        window->CBVerdict->setCurrentIndex(0);
        window->EdtSearch->clear();
    });
    step("only the overdue", [&] { window->CBDue->setCurrentIndex(0); });
    step("all again", [&] { window->CBDue->setCurrentIndex(2); });
    step("sorted by resistance", [&] {
        window->TreeOverview->header()->setSortIndicator(OverviewModel::Resistance, Qt::DescendingOrder);
    });
    step("read again", [&] { window->Refresh(); });
    delete window;
    TFrmRegister* assets = nullptr;
    std::printf("register window:\n");
    step("opened (10,000 devices)", [&] {
        assets = new TFrmRegister;
        assets->show();
    });
    step("a device number typed into the search",
         [&] { assets->EdtSearch->setText(QStringLiteral("QF0999")); });
    step("sorted by station", [&] { assets->TblAssets->sortByColumn(1, Qt::DescendingOrder); });
    delete assets;
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %ld MiB\n", usage.ru_maxrss / 1024);
    return 0;
}
