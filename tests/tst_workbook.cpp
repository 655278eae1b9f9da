// Workbooks through their real formats: what the writer puts into the .xlsx package, write → read
// round trips, hand-made packages that exercise the reader's rules (active sheet, shared and
// inline strings, used range), hostile packages it must refuse, and an .xls and an .xlsx that an
// independent spreadsheet program made from a workbook this writer wrote.
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/WorkbookReader.h"
#include "report/WorkbookWriter.h"
#include "tests/support/TestSupport.h"
#include "tests/support/ZipPackages.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <zip.h>

using namespace ZipPackages;

namespace {

const QStringList kRecord1{" 1", "25-03-14 10:30", "DL000123", "OP01", "SUB01", "100 A", "5 秒", "56.3 uΩ"};
const QStringList kRecord2{" 2",         "25-03-14 10:41", " 变压器甲 ", "张三",
                           "东郊变电站", "600 A",          "60 秒",      "1677721.5 uΩ"};
const QStringList kRecord3{"3", "", "", "", "", "", "", ""};

QStringList Trimmed(QStringList row) {
    for (QString& cell : row)
        cell = TrimText(cell);
    return row;
}

Rows RowsOf(const WorkbookRecords& records) {
    Rows result;
    for (const RecordGrid::Row& row : records.rows)
        result.append(QStringList(row.begin(), row.end()));
    return result;
}

// Unpacks one part of a package (through the same library, for checks on what the writer wrote).
QByteArray ReadZipPart(const QString& path, const char* name) {
    int error = 0;
    zip_t* archive = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!archive)
        return {};
    QByteArray content;
    if (zip_file_t* file = zip_fopen(archive, name, 0)) {
        char buffer[4096];
        zip_int64_t got = 0;
        while ((got = zip_fread(file, buffer, sizeof buffer)) > 0)
            content.append(buffer, qsizetype(got));
        zip_fclose(file);
    }
    zip_discard(archive);
    return content;
}

const QByteArray kHeaderRow = "<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>序号</t></is></c></row>";

} // namespace

class WorkbookTest : public QObject {
    Q_OBJECT
private slots:
    void roundTrip_data();
    void roundTrip();
    void writesTextCellsCentredWithTheColumnWidths();
    void replacesAnExistingFileAndKeepsItOnFailure();
    void readsHandMadePackages_data();
    void readsHandMadePackages();
    void refusesHostileOrBrokenFiles_data();
    void refusesHostileOrBrokenFiles();
    void readsWorkbooksWrittenByAnotherProgram_data();
    void readsWorkbooksWrittenByAnotherProgram();
    void refusesLegacyWorkbooksTheLibraryCannotRead_data();
    void refusesLegacyWorkbooksTheLibraryCannotRead();

private:
    QTemporaryDir m_dir;
};

void WorkbookTest::roundTrip_data() {
    QTest::addColumn<Rows>("records");
    QTest::newRow("header only") << Rows{};
    QTest::newRow("Chinese texts, blanks, empty cells") << Rows{kRecord1, kRecord2, kRecord3};
    Rows many;
    for (int i = 1; i <= 300; ++i)
        many.append(QStringList{QString::number(i), "t", "设备", "人", "地", "100 A", "5 秒", "1.0 uΩ"});
    QTest::newRow("300 records") << many;
    // Characters XML cannot hold travel escaped; numbers stay texts.
    QTest::newRow("control characters, numbers as text")
        << Rows{QStringList{"007", "1e5",
                            "a\x01"
                            "b",
                            "_x0041_", "TRUE", "=1+1", "0.10", "x\ty"}};
}

void WorkbookTest::roundTrip() {
    QFETCH(Rows, records);
    RecordGrid grid;
    FillGrid(grid, records);
    const QString path = m_dir.filePath(QStringLiteral("round.xlsx"));
    QVERIFY(WriteRecordWorkbook(path, grid, int(records.size())));
    const Result<WorkbookRecords> read = ReadRecordWorkbook(path);
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(read->recordCount, int(records.size()));
    Rows expected;
    for (const QStringList& row : records)
        expected.append(Trimmed(row));
    QCOMPARE(RowsOf(*read), expected);
}

void WorkbookTest::writesTextCellsCentredWithTheColumnWidths() {
    RecordGrid grid;
    FillGrid(grid, {kRecord1});
    const QString path = m_dir.filePath(QStringLiteral("format.xlsx"));
    QVERIFY(WriteRecordWorkbook(path, grid, 1));
    const QByteArray sheet = ReadZipPart(path, "xl/worksheets/sheet1.xml");
    const QByteArray styles = ReadZipPart(path, "xl/styles.xml");
    // Excel stores 9.5 and 17.5 character columns with its padding (9.5 and 17.5 become 10.28515625
    // and 18.28515625).
    QVERIFY2(
        sheet.contains("<col min=\"1\" max=\"1\" width=\"10.28515625\" style=\"1\" customWidth=\"1\"/>"
                       "<col min=\"2\" max=\"2\" width=\"18.28515625\" style=\"1\" customWidth=\"1\"/>"
                       "<col min=\"3\" max=\"16384\" width=\"10.28515625\" style=\"1\" customWidth=\"1\"/>"),
        sheet.constData());
    // The text format and the width reach every column of the sheet, but the dimension stays the table's.
    QVERIFY2(sheet.contains("<dimension ref=\"A1:H2\"/>"), sheet.constData());
    // Style 1: the built-in text format "@" (49), centred.
    QVERIFY2(styles.contains("numFmtId=\"49\"") && styles.contains("horizontal=\"center\""),
             styles.constData());
    // Every written cell carries style 1 and holds a string, the record number included.
    const QRegularExpression cell(QStringLiteral("<c r=\"([A-Z]+\\d+)\"([^>]*)>"));
    int cells = 0;
    for (auto it = cell.globalMatch(QString::fromUtf8(sheet)); it.hasNext(); ++cells) {
        const auto match = it.next();
        QVERIFY2(match.captured(2).contains(QStringLiteral("s=\"1\"")), qPrintable(match.captured(0)));
        QVERIFY2(match.captured(2).contains(QStringLiteral("t=\"s\"")), qPrintable(match.captured(0)));
    }
    QCOMPARE(cells, 16);
}

void WorkbookTest::replacesAnExistingFileAndKeepsItOnFailure() {
    const QString path = m_dir.filePath(QStringLiteral("replace.xlsx"));
    RecordGrid grid;
    FillGrid(grid, {kRecord1, kRecord2});
    QVERIFY(WriteRecordWorkbook(path, grid, 2));
    QVERIFY(WriteRecordWorkbook(path, grid, 1));
    Result<WorkbookRecords> read = ReadRecordWorkbook(path);
    QVERIFY(read);
    QCOMPARE(read->recordCount, 1);

    // A cell longer than a sheet cell can hold makes the save fail; the older file stays.
    grid.setCell(3, 2, QString(40000, QLatin1Char('x')));
    const Outcome tooLong = WriteRecordWorkbook(path, grid, 2);
    QVERIFY(!tooLong);
    QVERIFY(!tooLong.reason().isEmpty());
    read = ReadRecordWorkbook(path);
    QVERIFY(read);
    QCOMPARE(read->recordCount, 1);
    QCOMPARE(
        QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("replace")).size(), 1);

    QVERIFY(!WriteRecordWorkbook(m_dir.filePath(QStringLiteral("no/such/folder.xlsx")), grid, 1));
}

void WorkbookTest::readsHandMadePackages_data() {
    QTest::addColumn<Parts>("parts");
    QTest::addColumn<int>("count");
    QTest::addColumn<Rows>("rows");
    const QStringList e(8);
    auto with = [](QStringList row, std::initializer_list<std::pair<int, QString>> cells) {
        for (const auto& [column, text] : cells)
            row[column] = text;
        return row;
    };

    QTest::newRow("shared strings with rich-text runs, phonetic runs skipped")
        << Package(
               Sheet(kHeaderRow +
                     "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>0</v></c><c r=\"C2\" t=\"s\"><v>2</v></c>"
                     "<c r=\"D2\" t=\"s\"><v>1</v></c></row>"),
               Shared("<si><t>1</t></si><si><r><rPr><b/></rPr><t>张</t></r><r><t xml:space=\"preserve\"> 三"
                      "</t></r><rPh sb=\"0\" eb=\"1\"><t>ちょう</t></rPh><phoneticPr fontId=\"1\"/></si>"
                      "<si><t>变压器_x000D_甲</t></si>"))
        << 1 << Rows{with(e, {{0, "1"}, {2, "变压器\r甲"}, {3, "张 三"}})};
    // Escapes of characters XML cannot hold give those characters; escaped surrogates only as a
    // pair, a lone one U+FFFD, so the text is always valid UTF-16.
    QTest::newRow("escapes of noncharacters and surrogates")
        << Package(Sheet(kHeaderRow + "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>a_xFFFF_b</t></is></c>"
                                      "<c r=\"B2\" t=\"inlineStr\"><is><t>_xD800_</t></is></c>"
                                      "<c r=\"C2\" t=\"inlineStr\"><is><t>_xD83D__xDE00_</t></is></c>"
                                      "<c r=\"D2\" t=\"inlineStr\"><is><t>_xDE00__xD83D_x</t></is></c>"
                                      "<c r=\"E2\" t=\"inlineStr\"><is><t>_xD83D_</t></is></c></row>"))
        << 1
        << Rows{with(e, {{0, QStringLiteral("a\uFFFFb")},
                         {1, QStringLiteral("\uFFFD")},
                         {2, QStringLiteral("😀")},
                         {3, QStringLiteral("\uFFFD\uFFFDx")},
                         {4, QStringLiteral("\uFFFD")}})};
    QTest::newRow("inline strings, numbers, booleans, formula results")
        << Package(Sheet(kHeaderRow +
                         "<row r=\"2\"><c r=\"A2\"><v>7</v></c><c r=\"B2\" t=\"n\"><v>0.30000000000000004"
                         "</v></c><c r=\"C2\" t=\"b\"><v>1</v></c><c r=\"D2\" t=\"str\"><f>X()</f><v>算出"
                         "</v></c><c r=\"E2\" t=\"inlineStr\"><is><r><t>地</t></r><r><t>点</t></r></is></c>"
                         "<c r=\"F2\" t=\"e\"><v>#N/A</v></c><c r=\"G2\"><v>1234.5</v></c></row>"))
        << 1
        << Rows{with(
               e, {{0, "7"}, {1, "0.3"}, {2, "TRUE"}, {3, "算出"}, {4, "地点"}, {5, "#N/A"}, {6, "1234.5"}})};
    QTest::newRow("the active sheet, reached through an absolute target")
        << Package(
               Sheet(kHeaderRow + "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>wrong</t></is></c></row>"),
               {}, 1,
               Sheet(kHeaderRow + "<row r=\"2\"><c r=\"B2\" t=\"inlineStr\"><is><t>right</t></is></c></row>"
                                  "<row r=\"3\"><c r=\"B3\" t=\"inlineStr\"><is><t>too</t></is></c></row>"),
               "/xl/worksheets/sheet2.xml")
        << 2 << Rows{with(e, {{1, "right"}}), with(e, {{1, "too"}})};
    QTest::newRow("first sheet when the workbook has no view")
        << Package(
               Sheet(kHeaderRow + "<row r=\"2\"><c r=\"A2\" t=\"inlineStr\"><is><t>first</t></is></c></row>"),
               {}, -1, Sheet(kHeaderRow))
        << 1 << Rows{with(e, {{0, "first"}})};
    QTest::newRow("cells and rows without references")
        << Package(Sheet(
               "<row><c t=\"inlineStr\"><is><t>h</t></is></c></row><row><c t=\"inlineStr\"><is><t>a</t></is>"
               "</c><c/><c t=\"inlineStr\"><is><t>c</t></is></c></row>"))
        << 1 << Rows{with(e, {{0, "a"}, {2, "c"}})};
    QTest::newRow("used range from the cells, not from a lying dimension")
        << Package(Sheet(kHeaderRow + "<row r=\"4\"><c r=\"H4\" t=\"inlineStr\"><is><t>h</t></is></c>"
                                      "<c r=\"I4\" t=\"inlineStr\"><is><t>beyond H</t></is></c></row>",
                         "<dimension ref=\"A1:H900000\"/>"))
        << 3 << Rows{e, e, with(e, {{7, "h"}})};
    QTest::newRow("a used range not starting in row 1 reads shifted")
        << Package(Sheet("<row r=\"3\"><c r=\"A3\" t=\"inlineStr\"><is><t>head</t></is></c></row>"
                         "<row r=\"4\"><c r=\"A4\" t=\"inlineStr\"><is><t>r4</t></is></c></row>"
                         "<row r=\"5\"><c r=\"A5\" t=\"inlineStr\"><is><t>r5</t></is></c></row>"))
        << 2 << Rows{e, with(e, {{0, "head"}})};
    QTest::newRow("an empty sheet counts as its header row") << Package(Sheet("")) << 0 << Rows{};
}

void WorkbookTest::readsHandMadePackages() {
    QFETCH(Parts, parts);
    QFETCH(int, count);
    QFETCH(Rows, rows);
    const QString path = m_dir.filePath(QStringLiteral("made.xlsx"));
    QVERIFY(WriteZip(path, parts));
    const Result<WorkbookRecords> read = ReadRecordWorkbook(path);
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(read->recordCount, count);
    QCOMPARE(RowsOf(*read), rows);
}

void WorkbookTest::refusesHostileOrBrokenFiles_data() {
    QTest::addColumn<Parts>("parts");         // empty: write rawBytes instead
    QTest::addColumn<QByteArray>("rawBytes"); // with parts: "lie" understates the sheet's size
    QTest::addColumn<QString>("reason");      // part of the reported reason

    QTest::newRow("a used range claiming a million rows")
        << Package(Sheet(kHeaderRow + "<row r=\"1048576\"><c r=\"A1048576\"><v>1</v></c></row>"))
        << QByteArray() << "claims 1048576 rows";
    QTest::newRow("a cell beyond the last sheet row")
        << Package(Sheet("<row r=\"1048577\"><c r=\"A1048577\"><v>1</v></c></row>")) << QByteArray()
        << "bad cell reference";
    // 4 MiB of empty elements pack into a few kilobytes; the limit below is 2 MiB.
    const QByteArray elements = QByteArray("<x/>").repeated(1024 * 1024);
    QTest::newRow("a sheet that unpacks beyond the limit")
        << Package(Sheet(kHeaderRow, elements)) << QByteArray() << "unpack";
    QTest::newRow("a sheet that understates its unpacked size")
        << Package(Sheet(kHeaderRow, elements)) << QByteArray("lie") << "unpacks to more than";
    QTest::newRow("a run of blanks longer than any text, within the limit")
        << Package(Sheet(kHeaderRow, QByteArray(3 * 512 * 1024, ' '))) << QByteArray() << "without markup";
    QTest::newRow("a document type declaration")
        << Package(
               "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
               "<worksheet><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&b;</t></is></c></row>"
               "</sheetData></worksheet>")
        << QByteArray() << "document type";
    QTest::newRow("a shared string that does not exist")
        << Package(Sheet(kHeaderRow + "<row r=\"2\"><c r=\"A2\" t=\"s\"><v>5</v></c></row>"),
                   Shared("<si><t>x</t></si>"))
        << QByteArray() << "shared string 5";
    QTest::newRow("broken XML") << Package(Sheet("<row r=\"1\"><c r=\"A1\"><v>1</c></row>")) << QByteArray()
                                << "sheet1";
    Parts noSheets = Package(Sheet(kHeaderRow));
    noSheets.remove("xl/worksheets/sheet1.xml");
    QTest::newRow("the active sheet's part is missing") << noSheets << QByteArray() << "no part";
    QTest::newRow("a text file") << Parts() << QByteArray("序号=1\r\n时间=t\r\n") << "neither";
    QTest::newRow("a truncated zip") << Parts() << QByteArray("PK\x03\x04\x14\x00\x00\x00", 8) << "";
    QTest::newRow("a truncated legacy workbook")
        << Parts() << QByteArray::fromHex("D0CF11E0A1B11AE100000000") << "xls";
}

void WorkbookTest::refusesHostileOrBrokenFiles() {
    QFETCH(Parts, parts);
    QFETCH(QByteArray, rawBytes);
    QFETCH(QString, reason);
    const QString path = m_dir.filePath(QStringLiteral("bad.xlsx"));
    if (parts.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(rawBytes);
    } else {
        QVERIFY(WriteZip(path, parts));
        if (rawBytes == "lie")
            QVERIFY(UnderstateSize(path, "xl/worksheets/sheet1.xml", 1000));
    }
    WorkbookLimits limits;
    limits.maxSheetBytes = 2 * 1024 * 1024;
    const Result<WorkbookRecords> read = ReadRecordWorkbook(path, limits);
    QVERIFY(!read);
    QVERIFY2(read.reason().contains(reason), qPrintable(read.reason()));
    QVERIFY(!read.reason().isEmpty());
}

void WorkbookTest::readsWorkbooksWrittenByAnotherProgram_data() {
    // Both made by an independent spreadsheet program from a workbook of this writer holding
    // kRecord1..3 (see tests/data/files/README).
    QTest::addColumn<QString>("file");
    QTest::newRow("legacy .xls") << "records.xls";
    QTest::newRow(".xlsx") << "records-lo.xlsx";
}

void WorkbookTest::readsWorkbooksWrittenByAnotherProgram() {
    QFETCH(QString, file);
    const QString source = QStringLiteral(OHMARA_TEST_DATA_DIR "/files/") + file;
    Result<WorkbookRecords> read = ReadRecordWorkbook(source);
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(read->recordCount, 3);
    QCOMPARE(RowsOf(*read), (Rows{Trimmed(kRecord1), Trimmed(kRecord2), Trimmed(kRecord3)}));
    // The content decides, not the name.
    const QString renamed =
        m_dir.filePath(file.endsWith(QLatin1String(".xls")) ? QStringLiteral("swapped.xlsx")
                                                            : QStringLiteral("swapped.xls"));
    QFile::remove(renamed);
    QVERIFY(QFile::copy(source, renamed));
    read = ReadRecordWorkbook(renamed);
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(read->recordCount, 3);
}

void WorkbookTest::refusesLegacyWorkbooksTheLibraryCannotRead_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("keptBytes"); // -1: the whole file
    // Found by fuzzing: the .xls library reads stray stack memory while opening it.
    QTest::newRow("stray memory in the library") << "hostile-freexl.xls" << qint64(-1);
    QTest::newRow("cut short") << "records.xls" << qint64(3000);
}

void WorkbookTest::refusesLegacyWorkbooksTheLibraryCannotRead() {
    QFETCH(QString, file);
    QFETCH(qint64, keptBytes);
    QFile source(QStringLiteral(OHMARA_TEST_DATA_DIR "/files/") + file);
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QString path = m_dir.filePath(QStringLiteral("legacy.xls"));
    QFile copy(path);
    QVERIFY(copy.open(QIODevice::WriteOnly | QIODevice::Truncate));
    copy.write(keptBytes < 0 ? source.readAll() : source.read(keptBytes));
    copy.close();

    Result<WorkbookRecords> read = ReadRecordWorkbook(path);
    QVERIFY(!read);
    // Refused by the reader process, or (where the library's stray read is caught, as in sanitizer
    // builds) its crash reported: either way the file is refused and this process lives on.
    QVERIFY2(read.reason().contains(QLatin1String(".xls reader refused")) ||
                 read.reason().contains(QLatin1String(".xls reader crashed")),
             qPrintable(read.reason()));
    // The reader stays usable for a sound workbook afterwards.
    read = ReadRecordWorkbook(QStringLiteral(OHMARA_TEST_DATA_DIR "/files/records.xls"));
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(read->recordCount, 3);
}

QTEST_GUILESS_MAIN(WorkbookTest)
#include "tst_workbook.moc"
