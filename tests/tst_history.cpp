// A device's history: the record texts read back as numbers, the gathering from the grid and
// from every data file and workbook below the data folder, the order and the % changes, the
// cache, the chart's series, the export files, and the way in from the main window.
#include "archive/ProgramArchive.h"
#include "core/RecordGrid.h"
#include "core/RecordValues.h"
#include "core/UDataCenter.h"
#include "history/DeviceHistory.h"
#include "report/DataFile.h"
#include "report/WorkbookWriter.h"
#include "tests/support/TestSupport.h"
#include "tests/tst_report_pdf.h"
#include "ui/HistoryChart.h"
#include "ui/UDlgHistory.h"
#include "ui/UMain.h"

#include <QAction>
#include <QApplication>
#include <QChart>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QtTest>

namespace {

using Row = RecordGrid::Row;

// A grid holding the rows, numbered, with the header row.
void FillNumberedGrid(RecordGrid& grid, const QList<Row>& rows) {
    grid.setGridRowCount(int(rows.size()) + 1);
    for (int c = 0; c < RecordGrid::ColumnCount; ++c)
        grid.setCell(c, 0, RecordGrid::Headers().at(c));
    for (int r = 1; r <= rows.size(); ++r) {
        Row row = rows.at(r - 1);
        row[0] = RowNumberText(r);
        grid.setRow(r, row);
    }
}

Row Rec(const QString& time, const QString& device, const QString& step, const QString& resistance) {
    return Row{
        QString(), time, device, QStringLiteral("OP"), QStringLiteral("SUB"), step, QStringLiteral("5 秒"),
        resistance};
}

void WriteText(const QString& path, const QList<Row>& rows) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    RecordGrid grid;
    FillNumberedGrid(grid, rows);
    const Outcome written = WriteDataFile(path, grid, int(rows.size()));
    QVERIFY2(written, qPrintable(written.reason()));
}

void WriteBook(const QString& path, const QList<Row>& rows) {
    RecordGrid grid;
    FillNumberedGrid(grid, rows);
    const Outcome written = WriteRecordWorkbook(path, grid, int(rows.size()));
    QVERIFY2(written, qPrintable(written.reason()));
}

const QString kDevice = QStringLiteral("DL000123");

// The data folder of the gathering test: .txt in a subfolder, .xlsx, the legacy .xls of the
// test data (DL000123, 25-03-14 10:30, 100 A, 56.3 uΩ), a damaged workbook and a PDF.
QString MakeDataFolder() {
    const QString folder = EnsureDataFolder();
    WriteText(folder + QStringLiteral("/站点/a.txt"), {Rec("25-03-14 10:30", kDevice, "100 A", "56.3 uΩ"),
                                                       Rec("25-09-01 08:00", kDevice, "100 A", "58.0 uΩ"),
                                                       Rec("25-09-01 08:05", kDevice, "200 A", "40.0 uΩ"),
                                                       Rec("2025-10-01 10:00", kDevice, "100 A", "57.0 uΩ"),
                                                       Rec("25-10-02 10:00", kDevice, "100 A", "55 mΩ"),
                                                       Rec("25-10-03 10:00", "OTHER", "100 A", "1.0 uΩ")});
    WriteBook(folder + QStringLiteral("/book.xlsx"), {Rec("25-12-01 08:00", kDevice, "100 A", "61.9 uΩ"),
                                                      Rec("26-01-10 09:00", kDevice, "100 A", "60.0 uΩ"),
                                                      Rec("25-12-01 08:00", kDevice, "200 A", "44.0 uΩ")});
    QFile::copy(QStringLiteral(OHMARA_TEST_DATA_DIR "/files/records.xls"),
                folder + QStringLiteral("/records.xls"));
    QFile broken(folder + QStringLiteral("/broken.xlsx"));
    if (broken.open(QIODevice::WriteOnly))
        broken.write("not a workbook");
    QFile pdf(folder + QStringLiteral("/设备历史 DL000123.pdf"));
    if (pdf.open(QIODevice::WriteOnly))
        pdf.write("%PDF-1.4");
    return folder;
}

// The grid of the main window in the gathering test: one record only it holds, one that book.xlsx
// holds too, one of another device.
QList<Row> GridRows() {
    return {Rec("26-01-10 09:00", kDevice, "100 A", "60.0 uΩ"),
            Rec("26-02-01 10:00", kDevice, "100 A", "59.0 uΩ"),
            Rec("26-02-01 10:00", "OTHER", "100 A", "2.0 uΩ")};
}

QStringList Column(const DeviceHistory& history, int column) {
    QStringList texts;
    for (const HistoryEntry& entry : history.entries)
        texts.append(HistoryRowTexts(entry).at(column));
    return texts;
}

QAction* ActionNamed(const QList<QAction*>& actions, const QString& text) {
    for (QAction* action : actions)
        if (action->text() == text)
            return action;
    return nullptr;
}

// Looks at the history window once it is shown modally (after the data folder's import), then
// closes it.
struct HistoryPeek {
    QString device;
    int rows = -1;
    bool seen = false;
    QTimer look;
    HistoryPeek() {
        look.setInterval(10);
        QObject::connect(&look, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<TFrmHistory*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            look.stop();
            seen = true;
            device = dialog->History().device;
            rows = dialog->Rows()->rowCount();
            dialog->BtnClose->click();
        });
    }
    void arm() {
        device = QStringLiteral("(not shown)");
        rows = -1;
        seen = false;
        look.start();
    }
};

} // namespace

class TstHistory : public QObject {
    Q_OBJECT
private slots:
    void init() {
        ResetSharedState();
        SharedHistoryCache().clear();
    }

    void resistanceTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("microOhms"); // -1: does not parse
        QTest::newRow("uploaded") << "1234.5 uΩ" << 1234.5;
        QTest::newRow("blanks around") << "  56.3 uΩ " << 56.3;
        QTest::newRow("largest upload") << "1677721.5 uΩ" << 1677721.5;
        QTest::newRow("live reading above one ohm") << "1.5 Ω" << 1.5e6;
        QTest::newRow("negative live reading") << "-2.0 uΩ" << -2.0;
        QTest::newRow("milliohm") << "55 mΩ" << -1.0;
        QTest::newRow("no unit") << "56.3" << -1.0;
        QTest::newRow("micro sign") << "56.3 µΩ" << -1.0;
        QTest::newRow("no blank") << "56.3uΩ" << -1.0;
        QTest::newRow("empty") << "" << -1.0;
        QTest::newRow("words") << "超量程" << -1.0;
    }

    void resistanceTexts() {
        QFETCH(QString, text);
        QFETCH(double, microOhms);
        const std::optional<double> value = ResistanceMicroOhms(text);
        if (microOhms == -1.0) {
            QVERIFY(!value);
            return;
        }
        QVERIFY(value);
        QCOMPARE(*value, microOhms);
    }

    void timeTexts_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("when"); // invalid: does not parse
        QTest::newRow("grid time") << "24-03-15 09:41" << QDateTime(QDate(2024, 3, 15), QTime(9, 41));
        QTest::newRow("end of century") << "99-12-31 23:59" << QDateTime(QDate(2099, 12, 31), QTime(23, 59));
        QTest::newRow("four-digit year") << "2024-03-15 09:41" << QDateTime();
        QTest::newRow("hexadecimal clock byte") << "24-03-1A 09:41" << QDateTime();
        QTest::newRow("month 13") << "24-13-01 09:41" << QDateTime();
        QTest::newRow("29 February of a common year") << "25-02-29 10:00" << QDateTime();
        QTest::newRow("seconds") << "24-03-15 09:41:07" << QDateTime();
        QTest::newRow("empty") << "" << QDateTime();
    }

    void timeTexts() {
        QFETCH(QString, text);
        QFETCH(QDateTime, when);
        const std::optional<QDateTime> value = RecordTime(text);
        QCOMPARE(value.has_value(), when.isValid());
        if (value)
            QCOMPARE(*value, when);
    }

    void exportNames_data() {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "DL000123"
                               << "设备历史 DL000123 26-12-09 10-31-07.pdf";
        QTest::newRow("Chinese") << "变压器甲"
                                 << "设备历史 变压器甲 26-12-09 10-31-07.pdf";
        QTest::newRow("separators and wildcards") << "QF/1\\2:*?"
                                                  << "设备历史 QF_1_2___ 26-12-09 10-31-07.pdf";
    }

    void exportNames() {
        QFETCH(QString, device);
        QFETCH(QString, name);
        QCOMPARE(
            HistoryExportName(device, QDateTime(QDate(2026, 12, 9), QTime(10, 31, 7)), QStringLiteral("pdf")),
            name);
    }

    void gathersEveryFileAndTheGrid() {
        TempProgramDir dir;
        const QString folder = MakeDataFolder();
        RecordGrid grid;
        FillNumberedGrid(grid, GridRows());
        const DeviceHistory history =
            GatherDeviceHistory(QStringLiteral(" DL000123 "), grid, 3, folder, SharedHistoryCache());
        QCOMPARE(history.device, kDevice);
        // By time; the duplicates of records.xls (in a.txt) and of book.xlsx (in the grid) are gone;
        // the two that do not parse come last, in the order found.
        QCOMPARE(Column(history, 0), (QStringList{"25-03-14 10:30", "25-09-01 08:00", "25-09-01 08:05",
                                                  "25-12-01 08:00", "25-12-01 08:00", "26-01-10 09:00",
                                                  "26-02-01 10:00", "2025-10-01 10:00", "25-10-02 10:00"}));
        QCOMPARE(Column(history, 3), (QStringList{"56.3 uΩ", "58.0 uΩ", "40.0 uΩ", "61.9 uΩ", "44.0 uΩ",
                                                  "60.0 uΩ", "59.0 uΩ", "57.0 uΩ", "55 mΩ"}));
        QCOMPARE(Column(history, 6),
                 (QStringList{"records.xls", "站点/a.txt", "站点/a.txt", "book.xlsx", "book.xlsx",
                              "book.xlsx", "当前表格", "站点/a.txt", "站点/a.txt"}));
        // Against the step's first and previous test: 100 A starts at 56.3, 200 A at 40.0.
        QCOMPARE(Column(history, 7),
                 (QStringList{"", "+3.0%", "", "+9.9%", "+10.0%", "+6.6%", "+4.8%", "", ""}));
        QCOMPARE(Column(history, 8),
                 (QStringList{"", "+3.0%", "", "+6.7%", "+10.0%", "-3.1%", "-1.7%", "", ""}));
        QCOMPARE(Column(history, 9).mid(0, 7), QStringList(7, QString()));
        QCOMPARE(Column(history, 9).mid(7),
                 (QStringList{"时间无法识别，未计入曲线", "电阻无法识别，未计入曲线"}));
        QCOMPARE(history.unreadableFiles, QStringList{"broken.xlsx"});

        const std::vector<TrendSeries> trend = history.trend();
        QCOMPARE(trend.size(), size_t(2));
        QCOMPARE(trend[0].step, QStringLiteral("100 A"));
        QCOMPARE(trend[0].points.size(), size_t(5));
        QCOMPARE(trend[1].step, QStringLiteral("200 A"));
        QCOMPARE(trend[1].points.back(), std::make_pair(QDateTime(QDate(2025, 12, 1), QTime(8, 0)), 44.0));
    }

    void secondLookReadsOnlyChangedFiles() {
        TempProgramDir dir;
        const QString folder = MakeDataFolder();
        RecordGrid grid;
        FillNumberedGrid(grid, {});
        HistoryCache cache;
        GatherDeviceHistory(kDevice, grid, 0, folder, cache);
        QCOMPARE(cache.filesRead(), 4); // a.txt, book.xlsx, records.xls, broken.xlsx
        const DeviceHistory again = GatherDeviceHistory(QStringLiteral("OTHER"), grid, 0, folder, cache);
        QCOMPARE(cache.filesRead(), 4);
        QCOMPARE(again.entries.size(), size_t(1));
        WriteText(folder + QStringLiteral("/站点/a.txt"),
                  {Rec("25-03-14 10:30", "OTHER", "100 A", "3.5 uΩ")});
        const DeviceHistory changed = GatherDeviceHistory(QStringLiteral("OTHER"), grid, 0, folder, cache);
        QCOMPARE(cache.filesRead(), 5);
        QCOMPARE(Column(changed, 3), QStringList{"3.5 uΩ"});
    }

    void chartHoldsOneSeriesPerStepAndTheLimit() {
        TempProgramDir dir;
        MakeDataFolder();
        MessageRecorder messages;
        RecordGrid grid;
        FillNumberedGrid(grid, GridRows());
        TFrmHistory dialog(grid, 3, kDevice);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("设备历史"));
        QCOMPARE(dialog.Rows()->rowCount(), 9);
        QCOMPARE(dialog.Rows()->index(0, 3).data().toString(), QStringLiteral("56.3 uΩ"));
        QList<QAbstractSeries*> series = dialog.Chart()->series();
        QCOMPARE(series.size(), 2);
        auto* first = qobject_cast<QLineSeries*>(series.at(0));
        QVERIFY(first);
        QCOMPARE(first->name(), QStringLiteral("100 A"));
        const QList<QPointF> points = first->points();
        QCOMPARE(points.size(), 5);
        QCOMPARE(points.first(),
                 QPointF(double(QDateTime(QDate(2025, 3, 14), QTime(10, 30)).toMSecsSinceEpoch()), 56.3));
        QCOMPARE(points.last().y(), 59.0);
        QCOMPARE(qobject_cast<QLineSeries*>(series.at(1))->points().size(), 2);

        dialog.EdtLimit->setText(QStringLiteral("60.5"));
        dialog.BtnSetLimit->click();
        series = dialog.Chart()->series();
        QCOMPARE(series.size(), 3);
        auto* limit = qobject_cast<QLineSeries*>(series.last());
        QCOMPARE(limit->name(), QStringLiteral("限值 60.5 uΩ"));
        QCOMPARE(limit->points(), (QList<QPointF>{{points.first().x(), 60.5}, {points.last().x(), 60.5}}));

        dialog.EdtLimit->setText(QStringLiteral("-3"));
        dialog.BtnSetLimit->click();
        QCOMPARE(messages.texts(), QStringList{QStringLiteral("请输入大于0的限值（uΩ）！")});
        QCOMPARE(ProgramArchive::shared().registerLimit(kDevice), QStringLiteral("60.5"));
        dialog.BtnClearLimit->click();
        QCOMPARE(dialog.Chart()->series().size(), 2);
        QVERIFY(ProgramArchive::shared().registerLimit(kDevice).isEmpty());
    }

    void exportsTableAndChart() {
        TempProgramDir dir;
        MakeDataFolder();
        MessageRecorder messages;
        FolderRecorder folders;
        RecordGrid grid;
        FillNumberedGrid(grid, GridRows());
        TFrmHistory dialog(grid, 3, kDevice);
        dialog.EdtLimit->setText(QStringLiteral("60"));
        dialog.BtnSetLimit->click();
        // Written in the background, one after the other as the window's progress allows.
        dialog.BtnExportPdfClick();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.LastPdf().isEmpty(), 60000);
        dialog.BtnExportPngClick();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.LastPng().isEmpty(), 60000);
        QVERIFY(messages.messages.isEmpty());
        QCOMPARE(QFileInfo(dialog.LastPdf()).absolutePath(), EnsureDataFolder());
        QVERIFY(QFileInfo(dialog.LastPdf()).fileName().startsWith(QStringLiteral("设备历史 DL000123 ")));
        QCOMPARE(folders.folders.size(), 2);

        const QString text = ReportPdf::Run(
            QStringLiteral("pdftotext"), {QStringLiteral("-layout"), dialog.LastPdf(), QStringLiteral("-")});
        if (text.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        for (const QString& expected :
             {QStringLiteral("设备历史 DL000123"), QStringLiteral("较首次"), QStringLiteral("61.9 uΩ"),
              QStringLiteral("+9.9%"), QStringLiteral("-3.1%"), QStringLiteral("book.xlsx"),
              QStringLiteral("电阻无法识别，未计入曲线"), QStringLiteral("限值 60 uΩ"),
              QStringLiteral("100 A")})
            QVERIFY2(text.contains(expected), qPrintable(expected + QStringLiteral(" not in:\n") + text));

        QImage image(dialog.LastPng());
        QVERIFY(!image.isNull());
        QCOMPARE(image.width(), 1200);
        // The limit's red line is drawn across the chart.
        int red = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red += c.red() > 180 && c.green() < 60 && c.blue() < 60;
            }
        QVERIFY2(red > 200, qPrintable(QString::number(red)));
        // Every table row is there: a rule across the whole width under the header and under each row.
        auto dark = [&](int x, int y) { return qGray(image.pixel(x, y)) < 200; };
        int rules = 0;
        bool inRule = false;
        for (int y = 0; y < image.height(); ++y) {
            const bool rule = dark(30, y) && dark(image.width() / 2, y) && dark(image.width() - 30, y);
            rules += rule && !inRule;
            inRule = rule;
        }
        QCOMPARE(rules, int(dialog.History().entries.size()) + 1);
    }

    void openedFromTheGridAndTheServiceEntries() {
        TempProgramDir dir;
        MessageRecorder messages;
        TFrmMain window;
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        FillNumberedGrid(*window.Grid(), GridRows());
        giRecordCount = 3;
        // In the grid's context menu, and under "工具" (its Ctrl+H is pressed below).
        QCOMPARE(window.SGData->contextMenuPolicy(), Qt::ActionsContextMenu);
        QVERIFY(ActionNamed(window.SGData->actions(), QStringLiteral("查看设备历史…")));
        QAction* service = ActionNamed(window.StatusBar1->actions(), QStringLiteral("设备历史…"));
        QVERIFY(service);

        window.SGData->setCurrentIndex(window.SGData->model()->index(2, 3));
        HistoryPeek peek;
        peek.arm();
        QTest::keyClick(window.SGData, Qt::Key_H, Qt::ControlModifier);
        QTRY_VERIFY(peek.seen);
        QCOMPARE(peek.device, QStringLiteral("OTHER"));
        QCOMPARE(peek.rows, 1);

        window.SGData->setCurrentIndex(window.SGData->model()->index(0, 1));
        peek.arm();
        service->trigger();
        QTRY_VERIFY(peek.seen);
        QCOMPARE(peek.device, kDevice);
        QCOMPARE(peek.rows, 2);

        // Without a current record the window opens empty, even beside records without a number.
        window.Grid()->setCell(2, 2, QString());
        window.SGData->setCurrentIndex(QModelIndex());
        peek.arm();
        service->trigger();
        QTRY_VERIFY(peek.seen);
        QCOMPARE(peek.device, QString());
        QCOMPARE(peek.rows, 0);
    }
};

QTEST_MAIN(TstHistory)
#include "tst_history.moc"
