#include "report/DataFile.h"

#include "core/GbkText.h"
#include "core/Platform.h"
#include "core/ProgramPlaces.h"
#include "core/RecordColumns.h"
#include "core/UDataCenter.h"
#include "core/WholeFile.h"
#include "report/DataFileEncoding.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <array>
#include <optional>

namespace {

constexpr int kRecordsPerSlice = 2048;

// Block lines after the record number: section heads stand alone, numbers are grid columns.
constexpr std::array<int, 9> kBlockAfterNumber = {-1, 1, 2, 3, 4, 5, 6, -2, 7};
const QString kParameterHead = QStringLiteral("[参数]");
const QString kResultHead = QStringLiteral("[试验结果]");
const QString kLineEnd = QStringLiteral("\r\n");

// A value must stay on its own line, or the rest of the block would be read as other keys.
QString OneLine(const QString& text) {
    QString result = TrimText(text);
    for (QChar& c : result)
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return result;
}

void AppendKeyLine(QString& out, const RecordGrid& grid, int column, int row) {
    out += OneLine(RecordColumns()[size_t(column)].fileKey);
    out += QLatin1Char('=');
    out += OneLine(grid.cell(column, row));
    out += kLineEnd;
}

// The text of the blocks of grid rows first..last.
QString BlockText(const RecordGrid& grid, int first, int last) {
    if (last < first)
        return {};
    QString text;
    text.reserve(qsizetype(last - first + 1) * 160);
    for (int row = first; row <= last; ++row) {
        AppendKeyLine(text, grid, 0, row);
        for (const int column : kBlockAfterNumber) {
            if (column == -1)
                text += kParameterHead + kLineEnd;
            else if (column == -2)
                text += kResultHead + kLineEnd;
            else
                AppendKeyLine(text, grid, column, row);
        }
        text += kLineEnd;
        text += kLineEnd;
    }
    return text;
}

// The encodings a file is tried in: GBK where it holds every text, GB18030 where it does not, and
// UTF-8 with a byte-order mark when neither reads back the same under the reader's rule.
constexpr std::array<DataFileEncoding, 3> kWriteEncodings = {DataFileEncoding::Gbk, DataFileEncoding::Gb18030,
                                                             DataFileEncoding::Utf8};
const QByteArray kUtf8Mark = "\xEF\xBB\xBF";

// The bytes of text, or nothing when the encoding does not give back exactly this text.
std::optional<QByteArray> EncodeExactly(const QString& text, DataFileEncoding encoding) {
    if (encoding == DataFileEncoding::Utf8)
        return text.toUtf8();
    QStringEncoder encoder(encoding == DataFileEncoding::Gbk ? "GBK" : "GB18030",
                           QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    QStringDecoder decoder = DecoderFor(encoding);
    const QString back = decoder.decode(bytes);
    if (decoder.hasError() || back != text)
        return std::nullopt;
    return bytes;
}

// Writes the blocks in slices, so that a large grid is never held twice over in memory, and tells
// whether the encoding holds every text and the reader would pick it for the whole file.
Result<bool> WriteBlocks(QIODevice& out, const RecordGrid& grid, int recordCount, DataFileEncoding encoding) {
    DataFileByteScan scan;
    const auto put = [&](const QByteArray& bytes) {
        scan.feed(bytes);
        return WriteFully(out, bytes);
    };
    if (encoding == DataFileEncoding::Utf8 && recordCount > 0)
        if (Outcome written = put(kUtf8Mark); !written)
            return written;
    for (int first = 1; first <= recordCount; first += kRecordsPerSlice) {
        const auto bytes = EncodeExactly(
            BlockText(grid, first, std::min(recordCount, first + kRecordsPerSlice - 1)), encoding);
        if (!bytes)
            return false;
        if (Outcome written = put(*bytes); !written)
            return written;
    }
    const bool plainAscii = !scan.utf8.nonAscii() && !scan.gb18030.found();
    return plainAscii || scan.encoding() == encoding;
}

// Whether the reader's rule reads the bytes as exactly this text.
bool ReadsBackAs(const QByteArray& bytes, const QString& text) {
    DataFileByteScan scan;
    scan.feed(bytes);
    QStringDecoder decoder = scan.decoder();
    const QString back = decoder.decode(bytes);
    return !decoder.hasError() && back == text;
}

// The whole file's bytes for a text, in the first encoding that reads back as that text.
QByteArray EncodeWholeText(const QString& text) {
    for (const DataFileEncoding encoding : kWriteEncodings) {
        std::optional<QByteArray> bytes = EncodeExactly(text, encoding);
        if (!bytes)
            continue;
        if (encoding == DataFileEncoding::Utf8)
            bytes->prepend(kUtf8Mark);
        if (ReadsBackAs(*bytes, text))
            return *bytes;
    }
    return {};
}

} // namespace

QByteArray DataFileBytesWithRecord(const QByteArray& existing, const RecordGrid::Row& record) {
    DataFileByteScan scan;
    scan.feed(existing);
    QStringDecoder decoder = scan.decoder();
    const QString oldText = decoder.decode(existing);
    // Blocks are counted by their first line, the record number's key line: no value can start a line, since
    // line breaks in values are written as blanks.
    const QString numberKey = RecordGrid::Headers().at(0) + QLatin1Char('=');
    int blocks = 0;
    for (const QStringView line : QStringView(oldText).split(QLatin1Char('\n')))
        blocks += TrimText(line.toString()).startsWith(numberKey) ? 1 : 0;
    RecordGrid one;
    one.setGridRowCount(2);
    for (int c = 0; c < RecordGrid::ColumnCount; ++c)
        one.setCell(c, 0, RecordGrid::Headers().at(c));
    RecordGrid::Row numbered = record;
    numbered[0] = RowNumberText(blocks + 1);
    one.setRow(1, numbered);
    QString block = BlockText(one, 1, 1);
    if (!oldText.isEmpty() && !oldText.endsWith(QLatin1Char('\n')) && !oldText.endsWith(QLatin1Char('\r')))
        block.prepend(kLineEnd);
    const QString wholeText = oldText + block;
    // The old bytes stay as they are where the new block can follow them in their encoding.
    if (!existing.isEmpty() && !scan.utf16()) {
        for (const DataFileEncoding encoding : kWriteEncodings) {
            const std::optional<QByteArray> tail = EncodeExactly(block, encoding);
            if (tail && ReadsBackAs(existing + *tail, wholeText))
                return existing + *tail;
        }
    }
    return EncodeWholeText(wholeText);
}

QString DataFolder() {
    return CurrentProgramPlaces().dataFolder;
}

QString EnsureDataFolder() {
    const QString folder = DataFolder();
    if (!QFileInfo(folder).isDir())
        QDir().mkpath(folder);
    return folder;
}

QString FolderOfFile(const QString& fileName) {
    return QFileInfo(fileName).absolutePath() + QLatin1Char('/');
}

QByteArray DataFileBytes(const RecordGrid& grid, int recordCount) {
    for (const DataFileEncoding encoding : kWriteEncodings) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        if (const Result<bool> fits = WriteBlocks(buffer, grid, recordCount, encoding); fits && *fits)
            return buffer.data();
    }
    return {};
}

Outcome WriteDataFile(const QString& fileName, const RecordGrid& grid, int recordCount) {
    for (const DataFileEncoding encoding : kWriteEncodings) {
        WholeFile file(fileName);
        if (Outcome opened = file.open(); !opened)
            return opened;
        const Result<bool> fits = WriteBlocks(file.device(), grid, recordCount, encoding);
        if (!fits)
            return fits;
        if (*fits)
            return file.commit();
    }
    return Outcome::Failure(QCoreApplication::translate("DataFile", "没有能写下全部文字的编码"));
}
