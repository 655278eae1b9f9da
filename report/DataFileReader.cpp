// Reading the test data file. The file is read in slices twice: the first pass looks at the bytes
// (size, encoding, whether it is text), the second decodes and routes them line by line, so that
// memory holds the records and one slice, never the whole file in two forms.
#include "report/DataFile.h"

#include "core/GbkText.h"
#include "core/RecordColumns.h"
#include "report/DataFileEncoding.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <array>
#include <optional>

namespace {

constexpr qint64 kSliceBytes = 1024 * 1024;
// No line of a data file comes near this; a file without line ends would otherwise pile up whole.
constexpr qsizetype kMaxLineChars = 1024 * 1024;

// Runs fn over the file in slices; the status of a failure, or nothing.
template <typename Fn> std::optional<DataFileStatus> ForEachSlice(QFile& file, QString* detail, Fn fn) {
    qint64 total = 0;
    for (;;) {
        const QByteArray slice = file.read(kSliceBytes);
        if (slice.isEmpty()) {
            if (file.error() == QFileDevice::NoError)
                return std::nullopt;
            *detail = file.errorString();
            return DataFileStatus::Unreadable;
        }
        total += slice.size();
        if (total > kMaxDataFileBytes)
            return DataFileStatus::TooLarge;
        if (!fn(slice))
            return DataFileStatus::TooLarge;
    }
}

DataFileReadResult Failed(DataFileStatus status, const QString& detail = {}) {
    DataFileReadResult result;
    result.status = status;
    result.detail = detail;
    return result;
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

DataFileReadResult ReadDataFile(const QString& fileName) {
    const QFileInfo info(fileName);
    if (!info.exists())
        return Failed(DataFileStatus::Missing);
    if (info.isDir())
        return Failed(DataFileStatus::Folder);
    if (info.size() > kMaxDataFileBytes)
        return Failed(DataFileStatus::TooLarge);
    QFile file(fileName);
    if (!info.isFile())
        return Failed(DataFileStatus::Unreadable);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(DataFileStatus::Unreadable, file.errorString());

    QString detail;
    DataFileByteScan scan;
    if (const auto failure = ForEachSlice(file, &detail, [&scan](const QByteArray& slice) {
            scan.feed(slice);
            return true;
        }))
        return Failed(*failure, detail);
    if (!scan.utf16() && !scan.printable)
        return Failed(DataFileStatus::Empty);
    if (!scan.utf16() && scan.binary())
        return Failed(DataFileStatus::NotText);

    if (!file.seek(0))
        return Failed(DataFileStatus::Unreadable, file.errorString());
    QStringDecoder decoder = scan.decoder();
    DataFileParser parser;
    if (const auto failure = ForEachSlice(file, &detail, [&](const QByteArray& slice) {
            parser.feed(QString(decoder.decode(slice)));
            return !parser.tooLarge();
        }))
        return Failed(*failure, detail);
    parser.finish();
    if (parser.tooLarge())
        return Failed(DataFileStatus::TooLarge);
    if (!parser.sawText())
        return Failed(DataFileStatus::Empty);
    DataFileReadResult result;
    result.records = parser.takeRecords();
    return result;
}
