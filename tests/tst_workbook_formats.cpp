// The workbook formats as other programs read and write them: the legacy .xls workbook and the
// comma-separated file read back by our reader, xlrd, Python's csv module and LibreOffice; an
// .xlsx with characters XML cannot hold read by openpyxl and LibreOffice; dates in workbooks
// openpyxl wrote.
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/WorkbookDates.h"
#include "report/WorkbookReader.h"
#include "report/WorkbookWriter.h"
#include "report/XlsWriter.h"
#include "tests/support/OtherReaders.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

using namespace OtherReaders;

namespace {

const QStringList kRecord1{" 1", "25-03-14 10:30", "DL000123", "OP01", "SUB01", "100 A", "5 秒", "56.3 uΩ"};
const QStringList kRecord2{" 2",         "25-03-14 10:41", " 变压器甲 ", "张三",
                           "东郊变电站", "600 A",          "60 秒",      "1677721.5 uΩ"};
const QStringList kRecord3{"3", "", "", "", "", "", "", ""};
// Texts that need care in every format: separators and quotes, a line break, astral characters,
// characters outside GBK, numbers and formulas that must stay texts.
const QStringList kRecord4{"4", "a,b", "say \"hi\"", "line1\r\nline2", "€ ḿ 😀 𠀀", "0012", "=1+1", "1e5"};

QStringList Trimmed(QStringList row) {
    for (QString& cell : row)
        cell = TrimText(cell);
    return row;
}

Rows TrimmedRows(const Rows& rows) {
    Rows result;
    for (const QStringList& row : rows)
        result.append(Trimmed(row));
    return result;
}

Rows RowsOf(const WorkbookRecords& records) {
    Rows result;
    for (const RecordGrid::Row& row : records.rows)
        result.append(QStringList(row.begin(), row.end()));
    return result;
}

Rows JsonRows(const QJsonArray& array) {
    Rows rows;
    for (const QJsonValue& row : array) {
        QStringList cells;
        for (const QJsonValue& cell : row.toArray())
            cells.append(cell.isString() ? cell.toString() : cell.toVariant().toString());
        rows.append(cells);
    }
    return rows;
}

// Every sheet row as written: the headers first, then the trimmed records.
Rows SheetRows(const Rows& records) {
    return Rows{RecordGrid::Headers()} + TrimmedRows(records);
}

// LibreOffice writes a line break inside a cell as LF.
Rows WithLfBreaks(Rows rows) {
    for (QStringList& row : rows)
        for (QString& cell : row)
            cell.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return rows;
}

// The records of the Workbook stream of a compound file this writer made: the stream starts in
// sector 0, right after the 512-byte header.
QList<QPair<quint16, quint16>> StreamRecords(const QByteArray& file) {
    QList<QPair<quint16, quint16>> records;
    qsizetype at = 512;
    while (at + 4 <= file.size()) {
        const quint16 type = qFromLittleEndian<quint16>(file.constData() + at);
        const quint16 size = qFromLittleEndian<quint16>(file.constData() + at + 2);
        records.append({type, size});
        at += 4 + size;
        if (type == 0x000A && records.count({0x000A, 0}) == 2)
            break;
    }
    return records;
}

Rows ManyRecords(int count) {
    Rows rows;
    for (int i = 1; i <= count; ++i) {
        // Unique texts, some wide, with astral characters where a record's room may end.
        rows.append(QStringList{QString::number(i), QStringLiteral("25-03-14 10:%1").arg(i % 60),
                                QStringLiteral("DL%1").arg(i, 6, 10, QLatin1Char('0')),
                                QStringLiteral("测试人员%1😀").arg(i),
                                QStringLiteral("变电站%1号𠀀间隔").arg(i), QStringLiteral("100 A"),
                                QStringLiteral("5 秒"), QStringLiteral("%1.5 uΩ").arg(i)});
    }
    return rows;
}

} // namespace

class WorkbookFormatsTest : public QObject {
    Q_OBJECT
private slots:
    void theNameChoosesTheFormat_data();
    void theNameChoosesTheFormat();
    void xlsReadsBackEverywhere();
    void xlsCarriesTextFormatAndWidthsOnEveryColumn();
    void largeXlsContinuesItsStringTable();
    void xlsRefusesMoreRecordsThanASheetHolds();
    void csvReadsBackEverywhere();
    void csvFromASpreadsheetProgramReads_data();
    void csvFromASpreadsheetProgramReads();
    void xlsxHoldsCharactersXmlCannot();
    void xlsxCarriesTextFormatOnEveryColumn();
    void dateFormatsAreKnown_data();
    void dateFormatsAreKnown();
    void serialDaysBecomeChineseDateTexts_data();
    void serialDaysBecomeChineseDateTexts();
    void datesInAWorkbookOpenpyxlWrote();

private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString write(const QString& name, const Rows& records) {
        RecordGrid grid;
        FillGrid(grid, records);
        const QString file = path(name);
        return WriteRecordWorkbook(file, grid, int(records.size())) ? file : QString();
    }
};

void WorkbookFormatsTest::theNameChoosesTheFormat_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("head");
    QTest::newRow(".xls") << "a.xls" << QByteArray::fromHex("D0CF11E0A1B11AE1");
    QTest::newRow(".XLS") << "b.XLS" << QByteArray::fromHex("D0CF11E0A1B11AE1");
    QTest::newRow(".Xls") << "c.Xls" << QByteArray::fromHex("D0CF11E0A1B11AE1");
    QTest::newRow(".csv") << "d.csv" << QByteArray("\xEF\xBB\xBF序号,");
    QTest::newRow(".CSV") << "e.CSV" << QByteArray("\xEF\xBB\xBF序号,");
    QTest::newRow(".xlsx") << "f.xlsx" << QByteArray("PK\x03\x04");
    QTest::newRow(".TXT") << "g.TXT" << QByteArray("PK\x03\x04");
    QTest::newRow("no extension") << "h" << QByteArray("PK\x03\x04");
    QTest::newRow(".xls.bak") << "i.xls.bak" << QByteArray("PK\x03\x04");
}

void WorkbookFormatsTest::theNameChoosesTheFormat() {
    QFETCH(QString, name);
    QFETCH(QByteArray, head);
    const QString file = write(name, {kRecord1, kRecord2});
    QVERIFY(!file.isEmpty());
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QVERIFY2(written.read(head.size()) == head, qPrintable(name));
    const Result<WorkbookRecords> read = ReadRecordWorkbook(file);
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(RowsOf(*read), TrimmedRows({kRecord1, kRecord2}));
}

void WorkbookFormatsTest::xlsReadsBackEverywhere() {
    const Rows records{kRecord1, kRecord2, kRecord3, kRecord4};
    const QString file = write(QStringLiteral("records.xls"), records);
    QVERIFY(!file.isEmpty());

    QString error;
    const Result<WorkbookRecords> read = ReadRecordWorkbook(file);
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(read->recordCount, 4);
    QCOMPARE(RowsOf(*read), TrimmedRows(records));

    if (!HasPythonModule(QStringLiteral("xlrd")))
        QSKIP("/usr/bin/python3 has no xlrd (Debian package python3-xlrd)");
    const auto xlrd = PythonJson(kXlrdScript, {file}, &error);
    QVERIFY2(xlrd, qPrintable(error));
    QCOMPARE(JsonRows(xlrd->object().value(QStringLiteral("rows")).toArray()), SheetRows(records));
    // Every cell is a text cell (xlrd's type 1) or, where the grid is empty, a formatted blank (6).
    QCOMPARE(xlrd->object().value(QStringLiteral("types")).toArray(), (QJsonArray{1, 6}));

    if (!HasOffice())
        QSKIP("LibreOffice (soffice) is not installed");
    const QString out = path(QStringLiteral("lo-xls"));
    QDir().mkpath(out);
    QVERIFY2(OfficeToCsv({file}, out, {}, &error), qPrintable(error));
    const auto csv = PythonJson(kCsvRowsScript, {out + QStringLiteral("/records.csv")}, &error);
    QVERIFY2(csv, qPrintable(error));
    QCOMPARE(JsonRows(csv->array()), WithLfBreaks(SheetRows(records)));
}

void WorkbookFormatsTest::xlsCarriesTextFormatAndWidthsOnEveryColumn() {
    if (!HasPythonModule(QStringLiteral("xlrd")))
        QSKIP("/usr/bin/python3 has no xlrd (Debian package python3-xlrd)");
    const QString file = write(QStringLiteral("format.xls"), {kRecord1});
    QString error;
    const auto xlrd = PythonJson(kXlrdScript, {file}, &error);
    QVERIFY2(xlrd, qPrintable(error));
    const QJsonObject info = xlrd->object();
    const QJsonArray columns = info.value(QStringLiteral("columns")).toArray();
    QCOMPARE(columns.size(), 256);
    const QJsonObject formats = info.value(QStringLiteral("formats")).toObject();
    for (int c = 0; c < 256; ++c) {
        const QJsonArray column = columns.at(c).toArray();
        QVERIFY2(column.size() == 2, qPrintable(QString::number(c)));
        // 9.5 and 17.5 characters with the padding Excel adds, in 1/256 of a character.
        QCOMPARE(column.at(0).toInt(), c == 1 ? 4681 : 2633);
        const QJsonArray format = formats.value(QString::number(column.at(1).toInt())).toArray();
        QCOMPARE(format.at(0).toString(), QStringLiteral("@"));
        QCOMPARE(format.at(1).toInt(), 2); // centred
    }
    const QJsonArray cellFormats = info.value(QStringLiteral("xfs")).toArray();
    QCOMPARE(cellFormats.size(), 1);
    QCOMPARE(formats.value(QString::number(cellFormats.at(0).toInt())).toArray().at(0).toString(),
             QStringLiteral("@"));
}

void WorkbookFormatsTest::largeXlsContinuesItsStringTable() {
    const Rows records = ManyRecords(10000);
    const QString file = write(QStringLiteral("large.xls"), records);
    QVERIFY(!file.isEmpty());
    QFile bytes(file);
    QVERIFY(bytes.open(QIODevice::ReadOnly));
    const auto stream = StreamRecords(bytes.readAll());
    QVERIFY(stream.count({0x000A, 0}) == 2);
    qsizetype sst = 0;
    while (sst < stream.size() && stream.at(sst).first != 0x00FC)
        ++sst;
    QVERIFY2(sst < stream.size() && stream.at(sst).second > 8200, "the string table fills its first record");
    QVERIFY2(stream.value(sst + 1).first == 0x003C, "and continues in CONTINUE records");
    QVERIFY(stream.count({0x003C, 8224}) > 10);

    QString error;
    const Result<WorkbookRecords> read = ReadRecordWorkbook(file);
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(read->recordCount, 10000);
    QCOMPARE(RowsOf(*read), records);

    if (!HasPythonModule(QStringLiteral("xlrd")))
        QSKIP("/usr/bin/python3 has no xlrd (Debian package python3-xlrd)");
    const auto xlrd = PythonJson(kXlrdScript, {file}, &error);
    QVERIFY2(xlrd, qPrintable(error));
    QCOMPARE(JsonRows(xlrd->object().value(QStringLiteral("rows")).toArray()), SheetRows(records));

    if (!HasOffice())
        QSKIP("LibreOffice (soffice) is not installed");
    const QString out = path(QStringLiteral("lo-large"));
    QDir().mkpath(out);
    QVERIFY2(OfficeToCsv({file}, out, {}, &error), qPrintable(error));
    const auto csv = PythonJson(kCsvRowsScript, {out + QStringLiteral("/large.csv")}, &error);
    QVERIFY2(csv, qPrintable(error));
    QCOMPARE(JsonRows(csv->array()), SheetRows(records));
}

void WorkbookFormatsTest::xlsRefusesMoreRecordsThanASheetHolds() {
    RecordGrid grid;
    FillGrid(grid, {kRecord1});
    grid.setGridRowCount(kXlsMaxRecords + 2);
    const QString file = path(QStringLiteral("too-many.xls"));
    const Outcome tooMany = WriteRecordWorkbook(file, grid, kXlsMaxRecords + 1);
    QVERIFY(!tooMany);
    QVERIFY(tooMany.reason().contains(QString::number(kXlsMaxRecords)));
    QVERIFY(!QFile::exists(file));
    QVERIFY(WriteRecordWorkbook(file, grid, kXlsMaxRecords));
    const Result<WorkbookRecords> read = ReadRecordWorkbook(file);
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(read->recordCount, kXlsMaxRecords);
    QCOMPARE(read->rows.front()[1], kRecord1[1]);

    // Nor a text longer than a cell holds; one of the longest length spans several CONTINUE records
    // and comes back whole.
    grid.setGridRowCount(2);
    grid.setCell(3, 1, QString(kXlsMaxCellText + 1, QLatin1Char('x')));
    QVERIFY(!WriteRecordWorkbook(file, grid, 1));
    const QString longest(kXlsMaxCellText, QChar(0x6D4B));
    grid.setCell(3, 1, longest);
    QVERIFY(WriteRecordWorkbook(file, grid, 1));
    if (!HasPythonModule(QStringLiteral("xlrd")))
        QSKIP("/usr/bin/python3 has no xlrd (Debian package python3-xlrd)");
    QString error;
    const auto xlrd = PythonJson(kXlrdScript, {file}, &error);
    QVERIFY2(xlrd, qPrintable(error));
    QCOMPARE(JsonRows(xlrd->object().value(QStringLiteral("rows")).toArray()).value(1).value(3), longest);
}

void WorkbookFormatsTest::csvReadsBackEverywhere() {
    const Rows records{kRecord1, kRecord2, kRecord3, kRecord4};
    const QString file = write(QStringLiteral("records.csv"), records);
    QVERIFY(!file.isEmpty());
    QFile written(file);
    QVERIFY(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(bytes.contains(",\"a,b\",\"say \"\"hi\"\"\",\"line1\r\nline2\","));
    QVERIFY(bytes.endsWith("1e5\r\n"));

    QString error;
    const Result<WorkbookRecords> read = ReadRecordWorkbook(file);
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(RowsOf(*read), TrimmedRows(records));

    // Other readers see the formula as a text, behind the apostrophe that makes it one.
    Rows shown = SheetRows(records);
    shown.last().replace(6, QStringLiteral("'=1+1"));
    if (!HasPythonModule(QStringLiteral("csv")))
        QSKIP("/usr/bin/python3 is missing");
    const auto python = PythonJson(kCsvRowsScript, {file}, &error);
    QVERIFY2(python, qPrintable(error));
    QCOMPARE(JsonRows(python->array()), shown);

    if (!HasOffice())
        QSKIP("LibreOffice (soffice) is not installed");
    // Read as comma-separated UTF-8 with every column as text, then written out again.
    const QString out = path(QStringLiteral("lo-csv"));
    QDir().mkpath(out);
    QVERIFY2(
        OfficeToCsv({file}, out, QStringLiteral("CSV:44,34,76,1,1/2/2/2/3/2/4/2/5/2/6/2/7/2/8/2"), &error),
        qPrintable(error));
    const auto csv = PythonJson(kCsvRowsScript, {out + QStringLiteral("/records.csv")}, &error);
    QVERIFY2(csv, qPrintable(error));
    QCOMPARE(JsonRows(csv->array()), WithLfBreaks(shown));
}

void WorkbookFormatsTest::csvFromASpreadsheetProgramReads_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<Rows>("rows");
    const QByteArray headerGbk = "\xD0\xF2\xBA\xC5,\xCA\xB1\xBC\xE4"; // 序号,时间
    QTest::newRow("GBK, as a Chinese desktop saves it, LF line ends, no last line end")
        << QByteArray(headerGbk + "\n1,\xD5\xC5\xC8\xFD\x80\n2,x") << Rows{{"1", "张三€"}, {"2", "x"}};
    QTest::newRow("UTF-8 without mark, quoted line break, short rows")
        << QByteArray("序号,时间\r\n\"1\",\"a\r\nb\"\r\n2\r\n") << Rows{{"1", "a\r\nb"}, {"2"}};
    const QString utf16 = QStringLiteral("序号\n1,二\n");
    QTest::newRow("UTF-16 with mark")
        << QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(utf16.utf16()), utf16.size() * 2)
        << Rows{{"1", "二"}};
    QTest::newRow("header only") << QByteArray("\xEF\xBB\xBF序号,时间\r\n") << Rows{};
    QTest::newRow("more than eight fields")
        << QByteArray("h\r\n1,2,3,4,5,6,7,8,9,10\r\n") << Rows{{"1", "2", "3", "4", "5", "6", "7", "8"}};
}

void WorkbookFormatsTest::csvFromASpreadsheetProgramReads() {
    QFETCH(QByteArray, bytes);
    QFETCH(Rows, rows);
    const QString file = path(QStringLiteral("other.csv"));
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
    out.close();
    const Result<WorkbookRecords> read = ReadRecordWorkbook(file);
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(read->recordCount, int(rows.size()));
    for (QStringList& row : rows)
        while (row.size() < RecordGrid::ColumnCount)
            row.append(QString());
    QCOMPARE(RowsOf(*read), rows);
}

void WorkbookFormatsTest::xlsxHoldsCharactersXmlCannot() {
    const QString lone = QString(QChar(char16_t(0xD800)));
    const QStringList record{"1",
                             QStringLiteral("a\uFFFFb"),
                             QStringLiteral("\uFFFE"),
                             QStringLiteral("x\u0001y\u001Fz"),
                             QStringLiteral("_x0041_ and _xFFFF_"),
                             QStringLiteral("lone ") + lone + QStringLiteral(" surrogate"),
                             QStringLiteral("😀"),
                             QStringLiteral("tab\there")};
    const QString file = write(QStringLiteral("forbidden.xlsx"), {record});
    QVERIFY(!file.isEmpty());
    QStringList expected = record;
    expected[5] = QStringLiteral("lone \uFFFD surrogate");

    QString error;
    const Result<WorkbookRecords> read = ReadRecordWorkbook(file);
    QVERIFY2(read, qPrintable(read.reason()));
    QCOMPARE(RowsOf(*read), Rows{expected});

    if (!HasPythonModule(QStringLiteral("openpyxl")))
        QSKIP("/usr/bin/python3 has no openpyxl (Debian package python3-openpyxl)");
    const auto openpyxl = PythonJson(kOpenpyxlScript, {file}, &error);
    QVERIFY2(openpyxl, qPrintable(error));
    const Rows sheet = JsonRows(openpyxl->array());
    QCOMPARE(sheet.size(), 2);
    QCOMPARE(sheet.at(0), RecordGrid::Headers());
    // openpyxl gives the stored texts, escapes included; the XML itself is sound.
    QCOMPARE(sheet.at(1).at(6), QStringLiteral("😀"));
    QCOMPARE(sheet.at(1).at(7), QStringLiteral("tab\there"));

    if (!HasOffice())
        QSKIP("LibreOffice (soffice) is not installed");
    const QString out = path(QStringLiteral("lo-forbidden"));
    QDir().mkpath(out);
    QVERIFY2(OfficeToCsv({file}, out, {}, &error), qPrintable(error));
    const auto csv = PythonJson(kCsvRowsScript, {out + QStringLiteral("/forbidden.csv")}, &error);
    QVERIFY2(csv, qPrintable(error));
    const Rows office = JsonRows(csv->array());
    QCOMPARE(office.size(), 2);
    QCOMPARE(office.at(1).at(0), QStringLiteral("1"));
    QCOMPARE(office.at(1).at(4), QStringLiteral("_x0041_ and _xFFFF_"));
    QCOMPARE(office.at(1).at(5), expected[5]);
    QCOMPARE(office.at(1).at(6), QStringLiteral("😀"));
}

void WorkbookFormatsTest::xlsxCarriesTextFormatOnEveryColumn() {
    if (!HasPythonModule(QStringLiteral("openpyxl")))
        QSKIP("/usr/bin/python3 has no openpyxl (Debian package python3-openpyxl)");
    const QString file = write(QStringLiteral("columns.xlsx"), {kRecord1});
    const QString script = QStringLiteral(
        "import json, sys, openpyxl\n"
        "sheet = openpyxl.load_workbook(sys.argv[1]).active\n"
        "print(json.dumps([[d.min, d.max, d.width, d.number_format]\n"
        "                  for d in sorted(sheet.column_dimensions.values(), key=lambda d: d.min)]))\n");
    QString error;
    const auto columns = PythonJson(script, {file}, &error);
    QVERIFY2(columns, qPrintable(error));
    // Columns A, B and C to the last one (XFD), widths with Excel's padding, all in the format "@".
    QCOMPARE(columns->array(),
             (QJsonArray{QJsonArray{1, 1, 10.28515625, "@"}, QJsonArray{2, 2, 18.28515625, "@"},
                         QJsonArray{3, 16384, 10.28515625, "@"}}));
}

void WorkbookFormatsTest::dateFormatsAreKnown_data() {
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("style");
    const int none = int(DateStyle::None), date = int(DateStyle::Date), time = int(DateStyle::Time);
    QTest::newRow("General") << 0 << "" << none;
    QTest::newRow("0.00") << 2 << "" << none;
    QTest::newRow("14 m/d/yyyy") << 14 << "" << date;
    QTest::newRow("17 mmm-yy") << 17 << "" << date;
    QTest::newRow("22 date and time") << 22 << "" << date;
    QTest::newRow("20 h:mm") << 20 << "" << time;
    QTest::newRow("45 mm:ss") << 45 << "" << time;
    QTest::newRow("46 [h]:mm:ss") << 46 << "" << time;
    QTest::newRow("47 mmss.0") << 47 << "" << time;
    QTest::newRow("49 text") << 49 << "" << none;
    QTest::newRow("Chinese locale 31") << 31 << "" << date;
    QTest::newRow("custom yyyy-mm-dd") << 164 << "yyyy-mm-dd" << date;
    QTest::newRow("custom Chinese") << 165 << "yyyy\"年\"m\"月\"d\"日\"" << date;
    QTest::newRow("custom month only") << 166 << "mmmm" << date;
    QTest::newRow("custom h:mm AM/PM") << 167 << "h:mm AM/PM" << time;
    QTest::newRow("custom elapsed") << 168 << "[hh]:mm" << time;
    QTest::newRow("custom coloured number") << 169 << "[Red]0.00;[Blue]-0.00" << none;
    QTest::newRow("custom quoted letters") << 170 << "0 \"days\"" << none;
    QTest::newRow("custom escaped letter") << 171 << "0\\h" << none;
    QTest::newRow("custom scientific") << 172 << "0.00E+00" << none;
    QTest::newRow("custom locale and date") << 173 << "[$-804]yyyy/m/d" << date;
}

void WorkbookFormatsTest::dateFormatsAreKnown() {
    QFETCH(int, id);
    QFETCH(QString, code);
    QFETCH(int, style);
    QCOMPARE(int(DateStyleOfFormat(id, code)), style);
}

void WorkbookFormatsTest::serialDaysBecomeChineseDateTexts_data() {
    QTest::addColumn<double>("serial");
    QTest::addColumn<int>("style");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QString>("text");
    const int date = int(DateStyle::Date), time = int(DateStyle::Time);
    QTest::newRow("date and time") << 45730.4375 << date << false << "2025/3/14 10:30:00";
    QTest::newRow("midnight: the date alone") << 45730.0 << date << false << "2025/3/14";
    QTest::newRow("time alone") << 0.4375 << time << false << "10:30:00";
    QTest::newRow("early morning") << 0.25 + 5.0 / 1440 + 7.0 / 86400 << time << false << "6:05:07";
    QTest::newRow("time format on a whole date") << 45730.5 << time << false << "2025/3/14 12:00:00";
    QTest::newRow("rounds to the second") << 45730.99999999 << date << false << "2025/3/15";
    QTest::newRow("1900-01-01") << 1.0 << date << false << "1900/1/1";
    QTest::newRow("1900-02-28") << 59.0 << date << false << "1900/2/28";
    QTest::newRow("1900-03-01") << 61.0 << date << false << "1900/3/1";
    QTest::newRow("1904 system") << 44268.4375 << date << true << "2025/3/14 10:30:00";
    QTest::newRow("negative: no date") << -1.0 << date << false << "";
    QTest::newRow("beyond 9999: no date") << 2958466.0 << date << false << "";
    QTest::newRow("not a date format") << 45730.4375 << int(DateStyle::None) << false << "";
}

void WorkbookFormatsTest::serialDaysBecomeChineseDateTexts() {
    QFETCH(double, serial);
    QFETCH(int, style);
    QFETCH(bool, date1904);
    QFETCH(QString, text);
    QCOMPARE(SerialDateText(serial, DateStyle(style), date1904), text);
}

void WorkbookFormatsTest::datesInAWorkbookOpenpyxlWrote() {
    if (!HasPythonModule(QStringLiteral("openpyxl")))
        QSKIP("/usr/bin/python3 has no openpyxl (Debian package python3-openpyxl)");
    // Column B holds the values under the formats, column C the text expected for them.
    const QString script = QStringLiteral(
        "import datetime, sys, openpyxl\n"
        "from openpyxl.utils.datetime import CALENDAR_MAC_1904\n"
        "cells = [\n"
        "  (45730.4375, 'mm-dd-yy', '2025/3/14 10:30:00'),\n"
        "  (45730.0, 'mm-dd-yy', '2025/3/14'),\n"
        "  (45730.4375, 'm/d/yy h:mm', '2025/3/14 10:30:00'),\n"
        "  (0.4375, 'h:mm', '10:30:00'),\n"
        "  (0.4375, 'h:mm:ss', '10:30:00'),\n"
        "  (0.0215277777777778, 'mm:ss', '0:31:00'),\n"
        "  (1.5, '[h]:mm:ss', '1900/1/1 12:00:00'),\n"
        "  (45730.4375, 'yyyy\"年\"m\"月\"d\"日\"', '2025/3/14 10:30:00'),\n"
        "  (45730.4375, 'yyyy/m/d h:mm:ss', '2025/3/14 10:30:00'),\n"
        "  (datetime.datetime(2025, 3, 14, 9, 5, 7), None, '2025/3/14 9:05:07'),\n"
        "  (45730.4375, '0.00', '45730.4375'),\n"
        "  (45730.4375, 'General', '45730.4375'),\n"
        "  ('2025/3/14', '@', '2025/3/14'),\n"
        "]\n"
        "cells1904 = [\n"
        "  (datetime.datetime(2025, 3, 14, 10, 30), 'yyyy/m/d h:mm:ss', '2025/3/14 10:30:00'),\n"
        "  (datetime.datetime(2025, 3, 14), 'yyyy-mm-dd', '2025/3/14'),\n"
        "]\n"
        "for name, epoch, rows in (('dates.xlsx', None, cells), ('dates1904.xlsx', CALENDAR_MAC_1904, "
        "cells1904)):\n"
        "    book = openpyxl.Workbook()\n"
        "    if epoch:\n"
        "        book.epoch = epoch\n"
        "    sheet = book.active\n"
        "    sheet.append(['序号', '时间', '期望'])\n"
        "    for i, (value, fmt, text) in enumerate(rows, 1):\n"
        "        sheet.append([i, value, text])\n"
        "        if fmt:\n"
        "            sheet.cell(row=i + 1, column=2).number_format = fmt\n"
        "    book.save(sys.argv[1] + '/' + name)\n"
        "print('[]')\n");
    QString error;
    QVERIFY2(PythonJson(script, {m_dir.path()}, &error), qPrintable(error));
    for (const auto& [name, count] :
         {std::pair{QStringLiteral("dates.xlsx"), 13}, std::pair{QStringLiteral("dates1904.xlsx"), 2}}) {
        const Result<WorkbookRecords> read = ReadRecordWorkbook(path(name));
        QVERIFY2(read, qPrintable(read.reason()));
        QCOMPARE(read->recordCount, count);
        for (const RecordGrid::Row& row : read->rows)
            QVERIFY2(row[1] == row[2],
                     qPrintable(name + QStringLiteral(" row ") + row[0] + QStringLiteral(": ") + row[1] +
                                QStringLiteral(" != ") + row[2]));
    }
}

QTEST_GUILESS_MAIN(WorkbookFormatsTest)
#include "tst_workbook_formats.moc"
