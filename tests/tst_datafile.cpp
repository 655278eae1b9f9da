// The test data file through real files: the bytes the writer produces, save → read round trips,
// the reader's routing rules, its encodings and line ends, and the ways a file can be unusable.
#include "core/GbkText.h"
#include "core/RecordGrid.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "report/WorkbookWriter.h"
#include "tests/support/TestSupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QStringList CellsOf(const RecordGrid::Row& row) {
    return QStringList(row.begin(), row.end());
}

Rows RowsOf(const std::vector<RecordGrid::Row>& rows) {
    Rows result;
    for (const RecordGrid::Row& row : rows)
        result.append(CellsOf(row));
    return result;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray Crlf(const QString& text) {
    QString copy = text;
    return Gbk::encode(copy.replace(QLatin1Char('\n'), QStringLiteral("\r\n")));
}

const QStringList kFirst{QStringLiteral(" 1"),   QStringLiteral("25-03-14 10:30"), QStringLiteral("DL000123"),
                         QStringLiteral("OP01"), QStringLiteral("SUB01"),          QStringLiteral("100 A"),
                         QStringLiteral("5 秒"), QStringLiteral("56.3 uΩ")};
const QStringList kChinese{QStringLiteral(" 2"),         QStringLiteral("25-03-14 10:41"),
                           QStringLiteral(" 变压器甲 "), QStringLiteral("张三"),
                           QStringLiteral("东郊变电站"), QStringLiteral("600 A"),
                           QStringLiteral("60 秒"),      QStringLiteral("1677721.5 uΩ")};

// Code points from the ranges a grid may hold: ASCII, Latin, Greek, the euro sign, Latin extended
// (U+1E3F), Kangxi radicals, CJK, private use, U+FFFD to U+FFFF, emoji and CJK extension B.
QString RandomText(QRandomGenerator& random) {
    static const QList<QPair<char32_t, char32_t>> ranges = {
        {0x21, 0x7E},     {0xA0, 0x17F},      {0x391, 0x3C9},    {0x20AC, 0x20AC},
        {0x1E00, 0x1EFF}, {0x2F00, 0x2FD5},   {0x4E00, 0x9FFF},  {0xE000, 0xE8FF},
        {0xFFFD, 0xFFFF}, {0x1F600, 0x1F64F}, {0x20000, 0x2A6DF}};
    QString text;
    const int length = int(random.bounded(1, 12));
    for (int i = 0; i < length; ++i) {
        const auto& [first, last] = ranges.at(qsizetype(random.bounded(quint32(ranges.size()))));
        const char32_t code = first + char32_t(random.bounded(quint32(last - first + 1)));
        text += QString::fromUcs4(&code, 1);
    }
    return text;
}

constexpr int kTwoSlices = 2049; // the writer encodes 2,048 records at a time

// What makes an unusable file's message.
enum class Status { Missing, Blank, NotText, Folder, Unreadable };

} // namespace

class DataFileTest : public QObject {
    Q_OBJECT
private slots:
    void writesTheDocumentedBlock();
    void roundTrip_data();
    void roundTrip();
    void zeroRecordsReplaceAnOlderFileWithAnEmptyOne();
    void routing_data();
    void routing();
    void lineEndsDoNotMatter_data();
    void lineEndsDoNotMatter();
    void encodings_data();
    void encodings();
    void oneEncodingForTheWholeFile_data();
    void oneEncodingForTheWholeFile();
    void charactersAndLinesAcrossReadSlices_data();
    void charactersAndLinesAcrossReadSlices();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void unusableFiles_data();
    void unusableFiles();
    void refusesFilesAboveTheSizeLimit();
    void refusesALineWithoutEnd();

private:
    QTemporaryDir m_dir;
};

void DataFileTest::writesTheDocumentedBlock() {
    RecordGrid grid;
    FillGrid(grid, {kFirst});
    const QByteArray expected =
        Crlf(QStringLiteral("序号=1\n[参数]\n时间=25-03-14 10:30\n设备编号=DL000123\n"
                            "测试人员=OP01\n测试地点=SUB01\n测试档位=100 A\n载流时间=5 秒\n"
                            "[试验结果]\n测试电阻=56.3 uΩ\n\n\n"));
    QCOMPARE(DataFileBytes(grid, 1), expected);
    // Ω is a GBK character (A6 B8), not a question mark.
    QVERIFY(DataFileBytes(grid, 1).contains(QByteArray("56.3 u\xA6\xB8")));
}

void DataFileTest::roundTrip_data() {
    QTest::addColumn<Rows>("records");
    QTest::addColumn<Rows>("expected");
    QStringList first = kFirst;
    first[0] = QStringLiteral("1");
    QTest::newRow("documented record") << Rows{kFirst} << Rows{first};
    QStringList trimmed = kChinese;
    trimmed[0] = QStringLiteral("2");
    trimmed[2] = QStringLiteral("变压器甲");
    QTest::newRow("Chinese texts, blanks around") << Rows{kFirst, kChinese} << Rows{first, trimmed};
    const QStringList odd{"3", "", "a=b", "\ttabbed\t", "", "", "", "x"};
    QTest::newRow("empty cells, '=' in a value")
        << Rows{odd} << Rows{QStringList{"3", "", "a=b", "tabbed", "", "", "", "x"}};
    // Characters GBK lacks are kept (as GB18030 sequences) rather than turned into "?".
    QTest::newRow("characters GBK lacks") << Rows{QStringList{"5", "t", "𠀀号", "王😀", "€", "", "", ""}}
                                          << Rows{QStringList{"5", "t", "𠀀号", "王😀", "€", "", "", ""}};
    QTest::newRow("euro alone stays GBK") << Rows{QStringList{"6", "t", "€", "", "", "", "", ""}}
                                          << Rows{QStringList{"6", "t", "€", "", "", "", "", ""}};
    // A line break inside a cell would split the block; it is written as a blank.
    QTest::newRow("line break inside a cell")
        << Rows{QStringList{"4", "t", "A\r\n测试电阻=99", "", "", "", "", "7"}}
        << Rows{QStringList{"4", "t", "A  测试电阻=99", "", "", "", "", "7"}};
}

void DataFileTest::roundTrip() {
    QFETCH(Rows, records);
    QFETCH(Rows, expected);
    RecordGrid grid;
    FillGrid(grid, records);
    const QString path = m_dir.filePath(QStringLiteral("round.txt"));
    const Outcome written = WriteDataFile(path, grid, int(records.size()));
    QVERIFY2(written, qPrintable(written.reason()));
    const Result<DataFileRecords> read = ReadDataFile(path);
    QVERIFY(read && !read->blank);
    QCOMPARE(read->recordCount, int(records.size()));
    QCOMPARE(RowsOf(read->rows), expected);
}

void DataFileTest::zeroRecordsReplaceAnOlderFileWithAnEmptyOne() {
    const QString path = m_dir.filePath(QStringLiteral("zero.txt"));
    WriteBytes(path, "old contents");
    RecordGrid grid;
    FillGrid(grid, {kFirst});
    QVERIFY(WriteDataFile(path, grid, 0));
    QCOMPARE(QFileInfo(path).size(), 0);
    QVERIFY(WriteDataFile(path, grid, -1));
    QCOMPARE(QFileInfo(path).size(), 0);
}

void DataFileTest::routing_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("count");
    QTest::addColumn<Rows>("rows");
    const QStringList e(8);
    auto with = [](QStringList row, std::initializer_list<std::pair<int, QString>> cells) {
        for (const auto& [column, text] : cells)
            row[column] = text;
        return row;
    };
    QTest::newRow("load time goes to column 6, not to the time")
        << "序号=1\n载流时间=5 秒\n时间=t\n"
        << 1 << Rows{with(e, {{0, "1"}, {1, "t"}, {6, "5 秒"}})};
    QTest::newRow("a value holding 时间 routes the line to the time")
        << "序号=1\n测试地点=时间站\n"
        << 1 << Rows{with(e, {{0, "1"}, {1, "时间站"}})};
    QTest::newRow("values are not trimmed on reading")
        << "序号= 7 \n测试人员= 张三" << 1 << Rows{with(e, {{0, " 7 "}, {3, " 张三"}})};
    QTest::newRow("a key alone stores the whole line") << "序号=1\n时间\n"
                                                       << 1 << Rows{with(e, {{0, "1"}, {1, "时间"}})};
    QTest::newRow("keys before the first number fill row 1")
        << "设备编号=D1\n测试档位=100 A\n序号=1\n时间=t\n"
        << 1 << Rows{with(e, {{0, "1"}, {1, "t"}, {2, "D1"}, {5, "100 A"}})};
    QTest::newRow("no number line: count 0, row 1 shows the fields")
        << "测试人员=王五\n测试电阻=1.0 uΩ\n"
        << 0 << Rows{with(e, {{3, "王五"}, {7, "1.0 uΩ"}})};
    QTest::newRow("a repeated key keeps the last value") << "序号=1\n设备编号=A\n设备编号=B\n"
                                                         << 1 << Rows{with(e, {{0, "1"}, {2, "B"}})};
    QTest::newRow("each number line starts a record")
        << "序号=1\n测试电阻=1\n序号=2\n测试电阻=2\n序号=3\n"
        << 3 << Rows{with(e, {{0, "1"}, {7, "1"}}), with(e, {{0, "2"}, {7, "2"}}), with(e, {{0, "3"}})};
    QTest::newRow("section heads missing, misspelt or repeated")
        << "[参 数]\n[参数]\n[参数]\n序号=1\n[结果]\n测试档位=30 A\n随便什么\n"
        << 1 << Rows{with(e, {{0, "1"}, {5, "30 A"}})};
    QTest::newRow("only the first '=' splits") << "序号=1\n测试电阻==2=3\n"
                                               << 1 << Rows{with(e, {{0, "1"}, {7, "=2=3"}})};
    QTest::newRow("number beats every other key in the same line") << "测试人员序号=9\n"
                                                                   << 1 << Rows{with(e, {{0, "9"}})};
}

void DataFileTest::routing() {
    QFETCH(QString, text);
    QFETCH(int, count);
    QFETCH(Rows, rows);
    const QString path = m_dir.filePath(QStringLiteral("routing.txt"));
    WriteBytes(path, Crlf(text));
    const Result<DataFileRecords> read = ReadDataFile(path);
    QVERIFY(read && !read->blank);
    QCOMPARE(read->recordCount, count);
    QCOMPARE(RowsOf(read->rows), rows);
}

void DataFileTest::lineEndsDoNotMatter_data() {
    QTest::addColumn<QByteArray>("lineEnd");
    QTest::newRow("CR LF") << QByteArray("\r\n");
    QTest::newRow("LF") << QByteArray("\n");
    QTest::newRow("CR") << QByteArray("\r");
}

void DataFileTest::lineEndsDoNotMatter() {
    QFETCH(QByteArray, lineEnd);
    RecordGrid grid;
    FillGrid(grid, {kFirst, kChinese});
    QByteArray bytes = DataFileBytes(grid, 2);
    bytes.replace("\r\n", lineEnd);
    const QString path = m_dir.filePath(QStringLiteral("ends.txt"));
    WriteBytes(path, bytes);
    const Result<DataFileRecords> read = ReadDataFile(path);
    QVERIFY(read);
    QCOMPARE(read->recordCount, 2);
    QCOMPARE(read->rows.at(1)[2], QStringLiteral("变压器甲"));
    QCOMPARE(read->rows.at(1)[7], QStringLiteral("1677721.5 uΩ"));
    QCOMPARE(read->rows.at(0)[0], QStringLiteral("1"));
}

void DataFileTest::encodings_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QString text = QStringLiteral("序号=1\r\n测试地点=东郊变电站\r\n测试电阻=56.3 uΩ\r\n");
    QTest::newRow("GBK") << Gbk::encode(text);
    QTest::newRow("UTF-8") << text.toUtf8();
    QTest::newRow("UTF-8 with byte-order mark") << QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QByteArray utf16("\xFF\xFE");
    utf16 += QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    QTest::newRow("UTF-16 with byte-order mark") << utf16;
}

void DataFileTest::encodings() {
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(QStringLiteral("encoding.txt"));
    WriteBytes(path, bytes);
    const Result<DataFileRecords> read = ReadDataFile(path);
    QVERIFY(read && !read->blank);
    QCOMPARE(read->recordCount, 1);
    QCOMPARE(read->rows.at(0)[0], QStringLiteral("1"));
    QCOMPARE(read->rows.at(0)[4], QStringLiteral("东郊变电站"));
    QCOMPARE(read->rows.at(0)[7], QStringLiteral("56.3 uΩ"));
}

void DataFileTest::oneEncodingForTheWholeFile_data() {
    QTest::addColumn<QStringList>("firstTexts"); // record 1, columns 1..7
    QTest::addColumn<QStringList>("lastTexts");  // record 2,049
    QTest::addColumn<bool>("plainGbk");          // every text is GBK: the file is GBK
    const QStringList blank(7, QStringLiteral("x"));
    auto with = [&blank](const QString& text) {
        QStringList texts = blank;
        texts[2] = text;
        return texts;
    };
    QTest::newRow("euro first, emoji last") << with("€") << with("😀") << false;
    QTest::newRow("U+1E3F first, emoji last") << with("ḿ") << with("😀") << false;
    QTest::newRow("emoji first, U+1E3F last") << with("😀") << with("ḿ") << false;
    QTest::newRow("euro and U+1E3F") << with("€") << with("ḿ") << false;
    QTest::newRow("Chinese and euro only") << with("测试€") << with("张工") << true;
    // The GBK bytes of 茅 (C3 A9) are also the UTF-8 bytes of é.
    QTest::newRow("GBK that looks like UTF-8") << with("茅") << with("x") << false;
    for (quint32 seed = 1; seed <= 8; ++seed) {
        QRandomGenerator random(seed);
        QStringList first, last;
        for (int c = 0; c < 7; ++c) {
            first << RandomText(random);
            last << RandomText(random);
        }
        QTest::addRow("random texts, seed %u", seed) << first << last << false;
    }
}

// A property over random Unicode texts: whatever the grid holds, the saved file reads back to the
// same texts, however the characters fall into the slices the writer encodes.
void DataFileTest::oneEncodingForTheWholeFile() {
    QFETCH(QStringList, firstTexts);
    QFETCH(QStringList, lastTexts);
    QFETCH(bool, plainGbk);
    Rows records;
    QRandomGenerator random(uint(qHash(firstTexts.join(QString()))));
    for (int i = 1; i <= kTwoSlices; ++i) {
        QStringList texts = i == 1            ? firstTexts
                            : i == kTwoSlices ? lastTexts
                                              : QStringList(7, QStringLiteral("t"));
        // Random rows also carry random texts in between; the others hold only their two texts.
        if (QByteArray(QTest::currentDataTag()).startsWith("random") && i % 97 == 0)
            texts[3] = RandomText(random);
        records.append(QStringList{QString::number(i)} + texts);
    }
    RecordGrid grid;
    FillGrid(grid, records);
    const QString path = m_dir.filePath(QStringLiteral("slices-of-texts.txt"));
    const Outcome written = WriteDataFile(path, grid, kTwoSlices);
    QVERIFY2(written, qPrintable(written.reason()));
    const Result<DataFileRecords> read = ReadDataFile(path);
    QVERIFY(read && !read->blank);
    QCOMPARE(read->recordCount, kTwoSlices);
    Rows expected;
    for (const QStringList& row : records) {
        QStringList trimmed;
        for (const QString& cell : row)
            trimmed << TrimText(cell);
        expected << trimmed;
    }
    const Rows back = RowsOf(read->rows);
    for (qsizetype r = 0; r < expected.size(); ++r)
        QVERIFY2(back.at(r) == expected.at(r),
                 qPrintable(QStringLiteral("record %1: %2 != %3")
                                .arg(r + 1)
                                .arg(back.at(r).join(u'|'), expected.at(r).join(u'|'))));
    QCOMPARE(DataFileBytes(grid, kTwoSlices), FileBytes(path));
    if (plainGbk) {
        const QByteArray bytes = FileBytes(path);
        QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
        QVERIFY(bytes.contains("=\xB2\xE2\xCA\xD4")); // =测试 in GBK
        QVERIFY(bytes.contains("=\xD5\xC5\xB9\xA4")); // =张工 in GBK
    }
}

void DataFileTest::charactersAndLinesAcrossReadSlices_data() {
    QTest::addColumn<bool>("utf8");
    QTest::newRow("GBK") << false;
    QTest::newRow("UTF-8") << true;
}

// The reader takes files in slices of 1 MiB: a long value and a Chinese character lie across the
// first slice border at each of a few offsets.
void DataFileTest::charactersAndLinesAcrossReadSlices() {
    QFETCH(bool, utf8);
    const auto encode = [utf8](const QString& text) { return utf8 ? text.toUtf8() : Gbk::encode(text); };
    const QByteArray head = encode(QStringLiteral("序号=1\r\n测试地点="));
    const QString tail = QStringLiteral("变电站\r\n测试电阻=56.3 uΩ\r\n序号=2\r\n");
    const QString path = m_dir.filePath(QStringLiteral("slices.txt"));
    for (int shift = 0; shift < 4; ++shift) {
        const int padding = 1024 * 1024 - int(head.size()) - shift;
        WriteBytes(path, head + QByteArray(padding, 'a') + encode(tail));
        const Result<DataFileRecords> read = ReadDataFile(path);
        QVERIFY(read && !read->blank);
        QCOMPARE(read->recordCount, 2);
        const QString location = read->rows.at(0)[4];
        QCOMPARE(location.size(), padding + 3);
        QCOMPARE(location.right(4), QStringLiteral("a变电站"));
        QCOMPARE(read->rows.at(0)[7], QStringLiteral("56.3 uΩ"));
    }
}

void DataFileTest::failedSaveKeepsTheOldFile_data() {
    QTest::addColumn<QString>("name");
    for (const char* name : {"keep.txt", "keep.csv", "keep.xls", "keep.xlsx"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

// Every format the table is saved in goes to the disk whole or not at all.
void DataFileTest::failedSaveKeepsTheOldFile() {
    constexpr int kFewRecords = 30;
    QFETCH(QString, name);
    const QString path = m_dir.filePath(name);
    const auto save = [&path](const RecordGrid& grid, int recordCount) {
        return path.endsWith(QLatin1String(".txt")) ? WriteDataFile(path, grid, recordCount)
                                                    : WriteRecordWorkbook(path, grid, recordCount);
    };
    RecordGrid grid;
    FillGrid(grid, {kFirst});
    QVERIFY(save(grid, 1));
    const QByteArray before = FileBytes(path);

    Rows many;
    // Fewer bytes than a write buffer holds, so that a failure can only show when it is flushed.
    for (int i = 0; i < kFewRecords; ++i)
        many.append(kChinese);
    FillGrid(grid, many);
    // Let the file system refuse every write beyond 1 KiB, as a full disk would; every format's
    // file for these records is larger.
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const Outcome written = save(grid, kFewRecords);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY(!written);
    QVERIFY(!written.reason().isEmpty());
    QCOMPARE(FileBytes(path), before);
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).filter(name).size(), 1);
}

void DataFileTest::unusableFiles_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // null: do not create
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "gone.txt" << QByteArray() << int(Status::Missing)
                             << QStringLiteral("指定的文件'%1'不存在");
    QTest::newRow("blank and control characters only")
        << "blank.txt" << QByteArray(" \r\n\t \x01\x1F  \r\n") << int(Status::Blank)
        << QStringLiteral("指定的文件沒有內容");
    QTest::newRow("zero bytes") << "zero.txt" << QByteArray("") << int(Status::Blank)
                                << QStringLiteral("指定的文件沒有內容");
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919 + 13) % 256));
    QTest::newRow("binary garbage") << "garbage.txt" << garbage << int(Status::NotText)
                                    << QStringLiteral("指定的文件'%1'不是文本格式的测试数据文件");
    QTest::newRow("a workbook under a text name")
        << "book.txt" << QByteArray("PK\x03\x04\x14\x00\x00\x00\x08\x00序号=1", 18) << int(Status::NotText)
        << QStringLiteral("指定的文件'%1'不是文本格式的测试数据文件");
    QTest::newRow("a folder") << "folder.txt" << QByteArray() << int(Status::Folder)
                              << QStringLiteral("指定的'%1'是文件夹，不是数据文件");
    QTest::newRow("no permission") << "locked.txt" << QByteArray("序号=1\r\n") << int(Status::Unreadable)
                                   << QStringLiteral("无法读取指定的文件'%1'（");
}

void DataFileTest::unusableFiles() {
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    QFETCH(QString, message);
    const QString path = m_dir.filePath(name);
    if (status == int(Status::Folder))
        QVERIFY(QDir().mkpath(path));
    else if (!bytes.isNull())
        WriteBytes(path, bytes);
    if (status == int(Status::Unreadable)) {
        if (geteuid() == 0)
            QSKIP("file permissions do not bind the superuser");
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
    }
    const Result<DataFileRecords> read = ReadDataFile(path);
    // A blank file reads as one blank row, with a message all the same.
    QCOMPARE(read.ok(), status == int(Status::Blank));
    const QString shown = read ? (read->blank ? DataFileBlankMessage() : QString()) : read.reason();
    QVERIFY2(shown.startsWith(message.contains(QLatin1String("%1")) ? message.arg(path) : message),
             qPrintable(shown));
    if (read) {
        QCOMPARE(read->recordCount, 0);
        QCOMPARE(RowsOf(read->rows), Rows{QStringList(8)});
    }
}

void DataFileTest::refusesFilesAboveTheSizeLimit() {
    const QString path = m_dir.filePath(QStringLiteral("huge.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.write("序号=1\r\n") > 0);
    QVERIFY(file.resize(kMaxDataFileBytes + 1)); // sparse: costs no disk space
    file.close();
    const Result<DataFileRecords> read = ReadDataFile(path);
    QVERIFY(!read);
    QVERIFY(read.reason().contains(QStringLiteral("太大")));
    QFile::remove(path);
}

void DataFileTest::refusesALineWithoutEnd() {
    const QString path = m_dir.filePath(QStringLiteral("endless.txt"));
    WriteBytes(path, Gbk::encode(QStringLiteral("序号=")) + QByteArray(3 * 1024 * 1024, 'x'));
    const Result<DataFileRecords> read = ReadDataFile(path);
    QVERIFY(!read);
    QVERIFY(read.reason().contains(QStringLiteral("太大")));
}

QTEST_GUILESS_MAIN(DataFileTest)
#include "tst_datafile.moc"
