// Upload and grid figures through the main window:
//  - an upload of 255 records from the virtual instrument over a pseudo-terminal at 9600 baud,
//    against the protocol's floor (the exchange's fixed pauses plus the line time of every byte);
//  - filling the record grid with 100,000 rows (as an opened file does) and moving around in it.
// Run offscreen: QT_QPA_PLATFORM=offscreen bench/bench_upload
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "link/Protocol.h"
#include "tests/support/SimHarness.h"
#include "tests/support/TestSupport.h"
#include "ui/UMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTableView>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kRecords = 255;
constexpr int kBaud = 9600;
constexpr int kBaudIndex = 6;
constexpr int kBitsPerByte = 10;
// Every serial exchange pauses 100 ms after writing and 100 ms after closing the port.
constexpr double kPausesPerExchangeMs = 200.0;
constexpr double kPauseAfterWriteMs = 100.0;
constexpr int kGridRows = 100000;
constexpr int kLiveTests = 2000;

double LineMs(int bytes) {
    return bytes * kBitsPerByte * 1000.0 / kBaud;
}

void BenchUpload() {
    TempProgramDir dir;
    SimSetup setup;
    for (int k = 0; k < kRecords; ++k)
        setup.records.append(SimRecord{QDateTime(QDate(2024, 3, 15), QTime(9, k % 60)),
                                       QStringLiteral("QF%1").arg(k), QStringLiteral("LI"),
                                       QStringLiteral("B2"), uint8_t(1 + k % 22), 5, uint32_t(1000 + k)}
                                 .frame());
    SerialSim sim(setup);
    if (!sim.ok()) {
        std::printf("upload: the pseudo-terminal could not be opened\n");
        return;
    }
    sim.pointProgramAt(3, kBaudIndex);
    MessageRecorder messages;
    TFrmMain window;
    window.show();
    gbDeviceConnected = true;
    window.UpdateButtons();

    QElapsedTimer clock;
    clock.start();
    window.BtnSampleData->click();
    const double wallMs = double(clock.nsecsElapsed()) / 1e6;

    // The instrument answers while the exchange sits in its 100 ms pause after writing, so the
    // line time of a frame costs extra only where it outlasts that pause.
    const int exchanges = kRecords + 1;
    const double pausesMs = exchanges * kPausesPerExchangeMs;
    const double countBytesMs = LineMs(1 + ReplyLength(cmdRecordCount));
    const double recordBytesMs = LineMs(2 + ReplyLength(cmdReadRecord));
    const double bytesMs = countBytesMs + kRecords * recordBytesMs;
    const double overlapMs = std::max(0.0, countBytesMs - kPauseAfterWriteMs) +
                             kRecords * std::max(0.0, recordBytesMs - kPauseAfterWriteMs);
    std::printf("upload of %d records over a pseudo-terminal at %d baud through the window\n", kRecords,
                kBaud);
    std::printf("  rows %d, count %d, messages %lld, requests %lld\n", window.Grid()->gridRowCount() - 1,
                int(giRecordCount), qlonglong(messages.messages.size()), qlonglong(sim.requests().size()));
    std::printf("  wall time                      %9.1f ms  (%.1f ms per exchange)\n", wallMs,
                wallMs / exchanges);
    std::printf("  fixed pauses                   %9.1f ms  (%d exchanges x 200 ms)\n", pausesMs, exchanges);
    std::printf("  byte times                     %9.1f ms  (requests and replies, 10 bits a byte)\n",
                bytesMs);
    std::printf("  floor, bytes after the pauses  %9.1f ms  -> wall / floor = %.3f\n", pausesMs + bytesMs,
                wallMs / (pausesMs + bytesMs));
    std::printf("  floor, replies within pause    %9.1f ms  -> wall / floor = %.3f\n", pausesMs + overlapMs,
                wallMs / (pausesMs + overlapMs));
}

template <typename F> double TimeMs(F&& work) {
    QElapsedTimer clock;
    clock.start();
    work();
    return double(clock.nsecsElapsed()) / 1e6;
}

void BenchGrid() {
    TempProgramDir dir;
    TFrmMain window;
    window.show();
    QApplication::processEvents();
    std::vector<RecordGrid::Row> rows(kGridRows);
    for (int r = 0; r < kGridRows; ++r)
        rows[size_t(r)] =
            RecordGrid::Row{RowNumberText(r + 1),          QStringLiteral("24-03-15 09:41"),
                            QStringLiteral("QF%1").arg(r), QStringLiteral("张工"),
                            QStringLiteral("一号站"),      QStringLiteral("100 A"),
                            QStringLiteral("5 秒"),        QStringLiteral("%1.5 uΩ").arg(r % 5000)};
    QTableView* view = window.SGData;
    std::printf("record grid with %d rows\n", kGridRows);
    const double fill = TimeMs([&] {
        window.Grid()->replaceDataRows(std::move(rows));
        giRecordCount = kGridRows;
        view->repaint();
    });
    std::printf("  fill (one model reset) and paint   %8.1f ms\n", fill);
    const double end = TimeMs([&] {
        view->scrollToBottom();
        view->repaint();
    });
    std::printf("  scroll to the last row and paint  %8.1f ms\n", end);
    const double select = TimeMs([&] {
        view->selectAll();
        view->repaint();
    });
    std::printf("  select every row and paint        %8.1f ms\n", select);
    const double page = TimeMs([&] {
        view->scrollToTop();
        for (int i = 0; i < 100; ++i) {
            view->scrollTo(view->model()->index(i * 997, 0));
            view->repaint();
        }
    });
    std::printf("  100 jumps across the grid, painted %8.1f ms (%.2f ms each)\n", page, page / 100);

    // Live tests one by one: each is also backed up to the day's data file, written whole, so a
    // long day of them (not the grid's 100,000 rows) is what a field engineer meets.
    window.ClearGrid();
    const double appended = TimeMs([&] {
        for (int r = 0; r < kLiveTests; ++r)
            window.AppendTestRow();
        view->repaint();
    });
    std::printf("  %d live tests appended one by one %8.1f ms (%.2f ms each)\n", kLiveTests, appended,
                appended / kLiveTests);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    ResetSharedState();
    BenchGrid();
    BenchUpload();
    return 0;
}
