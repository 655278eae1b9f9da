// The report on its own: row store and row feeding, column positions, and the pages it makes,
// read back from the PDF it writes.
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/ReportVendors.h"
#include "report/UQRMain.h"
#include "tests/support/TestSupport.h"
#include "tests/tst_report_pdf.h"
#include "ui/UMain.h"

#include <QPrinter>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

using namespace ReportPdf;

namespace {

// Left edges of the eight columns on the paper, in mm (10 mm margin + position in the band).
constexpr double kColumnLeft[] = {12.65, 25.08, 49.95, 74.82, 99.69, 124.56, 149.44, 174.31};
constexpr double kFooterTop = 297.0 - 10.0 - 19.84;
const QStringList kCaptions = {"序号",     "时间",     "设备编号", "测试人员",
                               "测试地点", "测试档位", "载流时间", "测试电阻"};

TQRMain::ReportRow SampleRow(int i) {
    return {QStringLiteral("24-05-%1 10:30").arg(1 + i % 28, 2, 10, QChar('0')),
            QStringLiteral("DEV%1").arg(i),
            QStringLiteral("U%1").arg(i),
            QStringLiteral("L%1").arg(i),
            QStringLiteral("100 A"),
            QStringLiteral("5 秒"),
            QStringLiteral("%1.5 uΩ").arg(i)};
}

void FillSampleRows(TQRMain& report, int count) {
    report.AllocRows(count);
    for (int i = 0; i < count; ++i)
        report.Rows[size_t(i)] = SampleRow(i + 1);
}

// The row numbers printed on a page, top to bottom.
QStringList RowNumbers(const QList<Word>& words) {
    QStringList numbers = Texts(WordsIn(words, kColumnLeft[0] - 1, kColumnLeft[1] - 1, 0, kFooterTop));
    numbers.removeAll(QStringLiteral("序号"));
    return numbers;
}

QStringList FooterLines(const QList<Word>& words) {
    return Lines(WordsIn(words, 0, 210, kFooterTop));
}

} // namespace

class TestReport : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString pdfPath(const QString& name) const { return m_dir.filePath(name + QStringLiteral(".pdf")); }

private slots:
    void init() { ResetSharedState(); }

    void allocRows_data() {
        QTest::addColumn<int>("before");
        QTest::addColumn<int>("after");
        QTest::newRow("grow") << 2 << 5;
        QTest::newRow("shrink releases the rest") << 6 << 2;
        QTest::newRow("below zero is none") << 3 << -4;
    }
    void allocRows() {
        QFETCH(int, before);
        QFETCH(int, after);
        TQRMain report;
        FillSampleRows(report, before);
        report.AllocRows(after);
        const int expected = std::max(after, 0);
        QCOMPARE(report.iRowCount, expected);
        QCOMPARE(int(report.Rows.size()), expected);
        for (const TQRMain::ReportRow& row : report.Rows)
            for (const QString& text : row)
                QVERIFY(text.isEmpty());
        report.ClearRows();
        QCOMPARE(report.iRowCount, 0);
        QVERIFY(report.Rows.empty());
    }

    // Every pass gets the rows from the first, because the cursor rewinds after the last.
    void needDataRewindsAfterLastRow() {
        TQRMain report;
        FillSampleRows(report, 3);
        report.PrepareReport();
        for (int pass = 0; pass < 2; ++pass) {
            QStringList numbers, devices, results;
            bool more = false;
            for (report.QRSubDetail1NeedData(nullptr, more); more;
                 report.QRSubDetail1NeedData(nullptr, more)) {
                numbers << report.QRTNo.caption;
                devices << report.QRTDeviceNo.caption;
                results << report.QRTRes.caption;
            }
            QCOMPARE(numbers, QStringList({" 1", " 2", " 3"}));
            QCOMPARE(devices, QStringList({"DEV1", "DEV2", "DEV3"}));
            QCOMPARE(results, QStringList({"1.5 uΩ", "2.5 uΩ", "3.5 uΩ"}));
            QCOMPARE(report.iCurrentRow, 1);
        }
    }

    // One unit is a fifteenth of the 718-pixel band: 47 pixels. The band starts at the 10 mm margin.
    void prepareReportPlacesColumns() {
        TQRMain report;
        report.PrepareReport();
        const auto captions = report.CaptionLabels();
        const auto values = report.ValueLabels();
        for (size_t i = 0; i < captions.size(); ++i) {
            QVERIFY2(qAbs(captions[i]->left - (kColumnLeft[i] - 10.0)) < 0.01,
                     qPrintable(QString::number(captions[i]->left)));
            QCOMPARE(values[i]->left, captions[i]->left);
            QCOMPARE(captions[i]->caption, kCaptions[int(i)]);
        }
    }

    // Page 1: 277 mm body - 25.40 title - 8.47 header - 19.84 footer = 223.29 mm = 26 rows of
    // 8.47 mm; later pages: 277 - 8.47 - 19.84 = 248.69 mm = 29 rows.
    void pagination_data() {
        QTest::addColumn<int>("records");
        QTest::addColumn<QList<int>>("firstRows"); // first row number of each page
        QTest::newRow("1") << 1 << QList<int>{1};
        QTest::newRow("26 fill page 1") << 26 << QList<int>{1};
        QTest::newRow("27") << 27 << QList<int>{1, 27};
        QTest::newRow("55 fill page 2") << 55 << QList<int>{1, 27};
        QTest::newRow("100") << 100 << QList<int>{1, 27, 56, 85};
    }
    void pagination() {
        QFETCH(int, records);
        QFETCH(QList<int>, firstRows);
        TQRMain report;
        FillSampleRows(report, records);
        giDeviceType = 1;
        report.PrepareReport();
        const QString pdf = pdfPath(QStringLiteral("pages"));
        QVERIFY(report.ExportPdf(pdf));
        QCOMPARE(PageCount(pdf), int(firstRows.size()));

        int expectedRow = 1;
        for (int page = 1; page <= firstRows.size(); ++page) {
            const QList<Word> words = PageWords(pdf, page);
            const QString text = PageText(pdf, page);
            for (const QString& caption : kCaptions)
                QVERIFY2(text.contains(caption),
                         qPrintable(QStringLiteral("page %1: %2").arg(page).arg(caption)));
            QCOMPARE(text.contains(QStringLiteral("回路电阻测试仪")), page == 1);
            QCOMPARE(text.contains(QStringLiteral("-----主报表")), page == 1);
            const int lastRow = page < firstRows.size() ? firstRows[page] - 1 : records;
            QStringList expectedNumbers;
            for (int row = firstRows[page - 1]; row <= lastRow; ++row)
                expectedNumbers << QString::number(row);
            QCOMPARE(expectedRow, firstRows[page - 1]);
            QCOMPARE(RowNumbers(words), expectedNumbers);
            expectedRow = lastRow + 1;
            const QList<Word> footer = WordsIn(words, 150, 210, kFooterTop, kFooterTop + 5);
            QCOMPARE(Texts(footer), QStringList{QString::number(page)});
            QVERIFY(footer.first().xMax > 195 * kPointsPerMm); // right-aligned at the band's edge
        }
    }

    void rowNumbersKeepTwoPlaces() {
        TQRMain report;
        FillSampleRows(report, 12);
        report.PrepareReport();
        const QString pdf = pdfPath(QStringLiteral("numbers"));
        QVERIFY(report.ExportPdf(pdf));
        const QList<Word> numbers =
            WordsIn(PageWords(pdf, 1), kColumnLeft[0] - 1, kColumnLeft[1] - 1, 45, kFooterTop);
        QCOMPARE(numbers.size(), 12);
        // " 1" .. " 9" start one blank to the right of "10" .. "12".
        for (int i = 0; i < 9; ++i) {
            const double shift = numbers[i].xMin - numbers[9].xMin;
            QVERIFY2(shift > 1.5 && shift < 4.0,
                     qPrintable(QStringLiteral("row %1: %2 pt").arg(i + 1).arg(shift)));
        }
        QCOMPARE(numbers[10].xMin, numbers[9].xMin);
        QCOMPARE(numbers[11].xMin, numbers[9].xMin);
    }

    void footerLinesFollowDeviceType_data() {
        QTest::addColumn<int>("deviceType");
        QTest::newRow("model 1") << 1;
        QTest::newRow("model 2") << 2;
        QTest::newRow("not identified") << 0;
        QTest::newRow("unknown code") << 3;
    }
    void footerLinesFollowDeviceType() {
        QFETCH(int, deviceType);
        TQRMain report;
        FillSampleRows(report, 40);
        giDeviceType = deviceType;
        report.PrepareReport();
        const QString pdf = pdfPath(QStringLiteral("footer"));
        QVERIFY(report.ExportPdf(pdf));
        QCOMPARE(PageCount(pdf), 2);
        const VendorFooter vendor = VendorFooterFor(deviceType);
        QCOMPARE(vendor.company.isEmpty(), deviceType != 1 && deviceType != 2);
        for (int page = 1; page <= 2; ++page) {
            const QList<Word> words = PageWords(pdf, page);
            QStringList expected{QString::number(page)};
            if (!vendor.company.isEmpty())
                expected << vendor.company.simplified() << vendor.contact.simplified();
            QCOMPARE(FooterLines(words), expected);
        }
        QVERIFY(VendorFooterFor(1).company != VendorFooterFor(2).company);
        QVERIFY(VendorFooterFor(1).contact != VendorFooterFor(2).contact);
    }

    // A text too wide for its column wraps inside it, and the row grows to hold the lines.
    void longTextWrapsInsideItsColumn() {
        TQRMain report;
        FillSampleRows(report, 3);
        const QString tester = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
        const QString place = QStringLiteral("东区变电站二号主变压器间隔");
        report.Rows[0][2] = tester;
        report.Rows[0][3] = place;
        report.PrepareReport();
        const QString pdf = pdfPath(QStringLiteral("wrap"));
        QVERIFY(report.ExportPdf(pdf));
        const QList<Word> words = PageWords(pdf, 1);
        const QList<Word> testerWords = WordsIn(words, kColumnLeft[3] - 1, kColumnLeft[4] - 1, 45, 60);
        QVERIFY(testerWords.size() >= 2);
        QCOMPARE(Texts(testerWords).join(QString()), tester);
        for (const Word& w : testerWords)
            QVERIFY(w.xMax <= kColumnLeft[4] * kPointsPerMm);
        const QList<Word> placeWords = WordsIn(words, kColumnLeft[4] - 1, kColumnLeft[5] - 1, 45, 60);
        QVERIFY(placeWords.size() >= 2);
        QCOMPARE(Texts(placeWords).join(QString()), place);
        for (const Word& w : placeWords)
            QVERIFY(w.xMax <= kColumnLeft[5] * kPointsPerMm);
        const QList<Word> numbers = WordsIn(words, kColumnLeft[0] - 1, kColumnLeft[1] - 1, 45, kFooterTop);
        QCOMPARE(Texts(numbers), QStringList({"1", "2", "3"}));
        const double plainStep = numbers[2].yMin - numbers[1].yMin;
        QVERIFY(qAbs(plainStep - 8.47 * kPointsPerMm) < 0.5);
        QVERIFY(numbers[1].yMin - numbers[0].yMin > plainStep * 1.3);
    }

    // The text layer holds the characters printed, also those Noto CJK shares with Kangxi radicals.
    void textLayerHoldsThePrintedCharacters() {
        TQRMain report;
        FillSampleRows(report, 2);
        report.Rows[0][2] = QStringLiteral("张工");
        report.Rows[0][3] = QStringLiteral("人二工长");
        report.Rows[1][2] = QStringLiteral("青网用");
        report.Rows[1][3] = QStringLiteral("自行一");
        giDeviceType = 1;
        report.PrepareReport();
        const QString pdf = pdfPath(QStringLiteral("text-layer"));
        QVERIFY(report.ExportPdf(pdf));
        const QList<Word> words = PageWords(pdf, 1);
        QCOMPARE(Texts(WordsIn(words, 0, 210, 0, 30)), QStringList({"回路电阻测试仪", "-----主报表"}));
        QCOMPARE(Texts(WordsIn(words, 0, 210, 30, 40)), kCaptions);
        QCOMPARE(Texts(WordsIn(words, kColumnLeft[3] - 1, kColumnLeft[4] - 1, 40, kFooterTop)),
                 QStringList({"张工", "青网用"}));
        QCOMPARE(Texts(WordsIn(words, kColumnLeft[4] - 1, kColumnLeft[5] - 1, 40, kFooterTop)),
                 QStringList({"人二工长", "自行一"}));
        QVERIFY(PageText(pdf, 1).contains(QStringLiteral("测试人员")));
        QVERIFY(PageText(pdf, 1).contains(VendorFooterFor(1).company));
    }

    // A line break in a value (CR LF, LF or CR) starts a new printed line in its column.
    void lineBreakInAValueBreaksThePrintedLine_data() {
        QTest::addColumn<QString>("value");
        QTest::newRow("CR LF") << QStringLiteral("一号线\r\n二号线");
        QTest::newRow("LF") << QStringLiteral("一号线\n二号线");
        QTest::newRow("CR") << QStringLiteral("一号线\r二号线");
    }
    void lineBreakInAValueBreaksThePrintedLine() {
        QFETCH(QString, value);
        TQRMain report;
        FillSampleRows(report, 2);
        report.Rows[0][3] = value;
        report.PrepareReport();
        const QString pdf = pdfPath(QStringLiteral("line-break"));
        QVERIFY(report.ExportPdf(pdf));
        const QList<Word> words = PageWords(pdf, 1);
        const QList<Word> place = WordsIn(words, kColumnLeft[4] - 1, kColumnLeft[5] - 1, 40, kFooterTop);
        QCOMPARE(Texts(place), QStringList({"一号线", "二号线", "L2"}));
        QVERIFY(place[1].yMin - place[0].yMin > 2.5); // one line below, not run together
        QCOMPARE(place[1].xMin, place[0].xMin);
        // The row grew by the second line, so the next row starts lower than usual.
        const QList<Word> numbers = WordsIn(words, kColumnLeft[0] - 1, kColumnLeft[1] - 1, 40, kFooterTop);
        QCOMPARE(Texts(numbers), QStringList({"1", "2"}));
        QVERIFY(numbers[1].yMin - numbers[0].yMin > 8.47 * kPointsPerMm + 2.5);
    }

    // A row taller than a page is cut at the footer instead of pushing pages out forever.
    void oversizedRowIsCutAtTheFooter() {
        TQRMain report;
        FillSampleRows(report, 2);
        report.Rows[0][3] = QString(4000, QChar(0x6D4B));
        report.PrepareReport();
        const QString pdf = pdfPath(QStringLiteral("huge"));
        QVERIFY(report.ExportPdf(pdf));
        QCOMPARE(PageCount(pdf), 2);
        for (int page = 1; page <= 2; ++page)
            QCOMPARE(Texts(WordsIn(PageWords(pdf, page), 150, 210, kFooterTop, kFooterTop + 5)),
                     QStringList{QString::number(page)});
        QCOMPARE(RowNumbers(PageWords(pdf, 2)), QStringList{"2"});
    }

    void exportFailsWhole_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("a folder that does not exist") << "missing/report.pdf" << false;
        QTest::newRow("a full disk") << "full/report.pdf" << true;
    }

    // A PDF that cannot be written whole leaves no file, or the older one as it was.
    void exportFailsWhole() {
        QFETCH(QString, name);
        QFETCH(bool, fullDisk);
        TQRMain report;
        FillSampleRows(report, 1);
        report.PrepareReport();
        const QString pdf = m_dir.filePath(name);
        QByteArray before;
        if (fullDisk) {
            QVERIFY(QDir().mkpath(QFileInfo(pdf).absolutePath()));
            QVERIFY(report.ExportPdf(pdf));
            QFile old(pdf);
            QVERIFY(old.open(QIODevice::ReadOnly));
            before = old.readAll();
            QVERIFY(before.size() > 1024);
        }
        // The file system refuses every write beyond 1 KiB, as a full disk would.
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = fullDisk ? 1024 : saved.rlim_cur;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const Outcome exported = report.ExportPdf(pdf);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);

        QVERIFY(!exported);
        QCOMPARE(QFileInfo::exists(pdf), fullDisk);
        if (fullDisk) {
            QFile old(pdf);
            QVERIFY(old.open(QIODevice::ReadOnly));
            QCOMPARE(old.readAll(), before);
            QCOMPARE(QDir(QFileInfo(pdf).absolutePath()).entryList(QDir::Files | QDir::Hidden).size(), 1);
        }
        QCOMPARE(report.iCurrentRow, 1);
    }

    // Printing takes the printer's page range.
    void printUsesThePageRange_data() {
        QTest::addColumn<QString>("range");
        QTest::addColumn<QStringList>("pageNumbers");
        QTest::newRow("all") << QString() << QStringList{"1", "2", "3", "4"};
        QTest::newRow("2-3") << QStringLiteral("2-3") << QStringList{"2", "3"};
        QTest::newRow("1,4") << QStringLiteral("1,4") << QStringList{"1", "4"};
    }
    void printUsesThePageRange() {
        QFETCH(QString, range);
        QFETCH(QStringList, pageNumbers);
        TQRMain report;
        FillSampleRows(report, 100);
        report.PrepareReport();
        QPrinter* printer = report.Printer();
        const QString pdf = pdfPath(QStringLiteral("printed"));
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdf);
        if (!range.isEmpty()) {
            printer->setPrintRange(QPrinter::PageRange);
            printer->setPageRanges(QPageRanges::fromString(range));
        }
        QVERIFY(report.Print(printer));
        QCOMPARE(PageCount(pdf), int(pageNumbers.size()));
        for (int i = 0; i < pageNumbers.size(); ++i)
            QCOMPARE(Texts(WordsIn(PageWords(pdf, i + 1), 150, 210, kFooterTop, kFooterTop + 5)),
                     QStringList{pageNumbers[i]});
        QCOMPARE(report.iCurrentRow, 1);
    }

    // The print command's copy: grid columns 1..7 as they stand, at least one row.
    void fillReportCopiesTheGrid_data() {
        QTest::addColumn<int>("records");
        QTest::newRow("no records") << 0;
        QTest::newRow("three records") << 3;
    }
    void fillReportCopiesTheGrid() {
        QFETCH(int, records);
        TempProgramDir programDir;
        TFrmMain frm;
        RecordGrid* grid = frm.Grid();
        grid->setGridRowCount(records + 1);
        for (int r = 1; r <= records; ++r)
            grid->setRow(r,
                         {QStringLiteral("ROWMARK%1").arg(r), QStringLiteral(" 24-05-0%1 10:30 ").arg(r),
                          QStringLiteral("  D%1").arg(r), QStringLiteral("U%1  ").arg(r), QStringLiteral("L"),
                          QStringLiteral("100 A"), QStringLiteral("5 秒"), QStringLiteral("1.0 uΩ")});
        giRecordCount = records;
        frm.FillReport();
        TQRMain* report = frm.Report();
        const int rows = std::max(records, 1);
        QCOMPARE(report->iRowCount, rows);
        QCOMPARE(int(report->Rows.size()), rows);
        QCOMPARE(report->iCurrentRow, 1);
        for (int r = 1; r <= rows; ++r)
            for (int c = 1; c <= 7; ++c)
                QCOMPARE(report->Rows[size_t(r - 1)][size_t(c - 1)], grid->cell(c, r));

        const QString pdf = pdfPath(QStringLiteral("grid"));
        QVERIFY(report->ExportPdf(pdf));
        const QList<Word> words = PageWords(pdf, 1);
        QStringList expected;
        for (int r = 1; r <= rows; ++r)
            expected << QString::number(r);
        QCOMPARE(RowNumbers(words), expected);
        QVERIFY(!PageText(pdf, 1).contains(QStringLiteral("ROWMARK")));
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
