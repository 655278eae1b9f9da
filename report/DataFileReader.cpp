// Reading the test data file. The file is read in slices twice: the first pass looks at the bytes
// (size, encoding, whether it is text), the second decodes and routes them line by line, so that
// memory holds the records and one slice, never the whole file in two forms.
#include "report/DataFile.h"

#include "core/GbkText.h"
#include "core/RecordColumns.h"
#include "report/DataFileEncoding.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <array>
#include <optional>

namespace {

constexpr qint64 kSliceBytes = 1024 * 1024;
// No line of a data file comes near this; a file without line ends would otherwise pile up whole.
constexpr qsizetype kMaxLineChars = 1024 * 1024;

Outcome Unreadable(const QString& fileName, const QString& detail) {
    return Outcome::Failure(
        detail.isEmpty()
            ? QCoreApplication::translate("DataFileReader", "无法读取指定的文件'%1'").arg(fileName)
            : QCoreApplication::translate("DataFileReader", "无法读取指定的文件'%1'（%2）")
                  .arg(fileName, detail));
}

Outcome TooLarge(const QString& fileName) {
    return Outcome::Failure(
        QCoreApplication::translate("DataFileReader", "指定的文件'%1'太大（超过%2 MB或%3条记录），无法打开")
            .arg(fileName, QString::number(kMaxDataFileBytes / (1024 * 1024)),
                 QString::number(kMaxDataFileRecords)));
}

// Runs fn over the file in slices; fn returns false when the file is too large.
template <typename Fn> Outcome ForEachSlice(QFile& file, const QString& fileName, Fn fn) {
    qint64 total = 0;
    for (;;) {
        const QByteArray slice = file.read(kSliceBytes);
        if (slice.isEmpty()) {
            if (file.error() == QFileDevice::NoError)
                return {};
            return Unreadable(fileName, file.errorString());
        }
        total += slice.size();
        if (total > kMaxDataFileBytes || !fn(slice))
            return TooLarge(fileName);
    }
}

// A file with nothing above code 32 in it reads as one blank row, and the user is told.
DataFileRecords Blank() {
    DataFileRecords records;
    records.blank = true;
    return records;
}

} // namespace

void ParseFieldLine(RecordGrid::Row& row, int column, QStringView line) {
    const qsizetype mark = line.indexOf(QLatin1Char('='));
    row[size_t(column)] = (mark < 0 ? line : line.mid(mark + 1)).toString();
}

// Keys are tested in column order, the load time's aside; the first one found anywhere in the line
// decides. The time's key is part of the load time's, so a line with both is the load time's.
void DataFileParser::route(QStringView line) {
    const QString& loadTimeKey = RecordColumnOf(RecordColumn::LoadTime).fileKey;
    for (const RecordColumnInfo& route : RecordColumns()) {
        if (route.column == RecordColumn::LoadTime || !line.contains(route.fileKey))
            continue;
        int column = ColumnIndex(route.column);
        if (column == 0) {
            if (m_records.recordCount >= kMaxDataFileRecords) {
                m_tooLarge = true;
                return;
            }
            if (m_records.recordCount > 0)
                m_records.rows.emplace_back();
            ++m_records.recordCount;
        } else if (route.column == RecordColumn::Time && line.contains(loadTimeKey)) {
            column = ColumnIndex(RecordColumn::LoadTime);
        }
        if (!m_tooLarge)
            ParseFieldLine(m_records.rows.back(), column, line);
        return;
    }
}

void DataFileParser::feed(QStringView piece) {
    qsizetype start = 0;
    for (qsizetype i = 0; i < piece.size(); ++i) {
        const QChar c = piece[i];
        if (c.unicode() > 32)
            m_sawText = true;
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n'))
            continue;
        if (m_partial.isEmpty()) {
            route(piece.mid(start, i - start));
        } else {
            m_partial += piece.mid(start, i - start);
            route(m_partial);
            m_partial.clear();
        }
        if (c == QLatin1Char('\r') && i + 1 < piece.size() && piece[i + 1] == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    m_partial += piece.mid(start);
    if (m_partial.size() > kMaxLineChars)
        m_tooLarge = true;
}

void DataFileParser::finish() {
    if (!m_partial.isEmpty())
        route(m_partial);
    m_partial.clear();
}

DataFileRecords ParseDataFileText(QStringView text) {
    DataFileParser parser;
    parser.feed(text);
    parser.finish();
    return parser.takeRecords();
}

Result<DataFileRecords> ReadDataFile(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.exists())
        return Outcome::Failure(
            QCoreApplication::translate("DataFileReader", "指定的文件'%1'不存在").arg(fileName));
    if (info.isDir())
        return Outcome::Failure(
            QCoreApplication::translate("DataFileReader", "指定的'%1'是文件夹，不是数据文件").arg(fileName));
    if (info.size() > kMaxDataFileBytes)
        return TooLarge(fileName);
    QFile file(fileName);
    if (!info.isFile())
        return Unreadable(fileName, {});
    if (!file.open(QIODevice::ReadOnly))
        return Unreadable(fileName, file.errorString());

    DataFileByteScan scan;
    if (Outcome read = ForEachSlice(file, fileName,
                                    [&scan](const QByteArray& slice) {
                                        scan.feed(slice);
                                        return true;
                                    });
        !read)
        return read;
    if (!scan.utf16() && !scan.printable)
        return Blank();
    if (!scan.utf16() && scan.binary())
        return Outcome::Failure(
            QCoreApplication::translate("DataFileReader", "指定的文件'%1'不是文本格式的测试数据文件")
                .arg(fileName));

    if (!file.seek(0))
        return Unreadable(fileName, file.errorString());
    QStringDecoder decoder = scan.decoder();
    DataFileParser parser;
    if (Outcome read = ForEachSlice(file, fileName,
                                    [&](const QByteArray& slice) {
                                        parser.feed(QString(decoder.decode(slice)));
                                        return !parser.tooLarge();
                                    });
        !read)
        return read;
    parser.finish();
    if (parser.tooLarge())
        return TooLarge(fileName);
    if (!parser.sawText())
        return Blank();
    return parser.takeRecords();
}
