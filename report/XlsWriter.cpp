#include "report/XlsWriter.h"

#include "core/UDataCenter.h"
#include "core/WholeFile.h"
#include "report/SheetText.h"

#include <QHash>
#include <QtEndian>
#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// ---- Record numbers and fixed values of the BIFF8 workbook stream ----
constexpr uint16_t kBof = 0x0809;
constexpr uint16_t kEof = 0x000A;
constexpr uint16_t kCodePage = 0x0042;
constexpr uint16_t kWindow1 = 0x003D;
constexpr uint16_t kFont = 0x0031;
constexpr uint16_t kXf = 0x00E0;
constexpr uint16_t kStyle = 0x0293;
constexpr uint16_t kBoundSheet = 0x0085;
constexpr uint16_t kSst = 0x00FC;
constexpr uint16_t kContinue = 0x003C;
constexpr uint16_t kExtSst = 0x00FF;
constexpr uint16_t kColInfo = 0x007D;
constexpr uint16_t kDimensions = 0x0200;
constexpr uint16_t kLabelSst = 0x00FD;
constexpr uint16_t kBlank = 0x0201;
constexpr uint16_t kWindow2 = 0x023E;

constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kGlobalsSubstream = 0x0005;
constexpr uint16_t kSheetSubstream = 0x0010;
constexpr uint16_t kUtf16CodePage = 1200;
constexpr qsizetype kMaxRecordData = 8224;

constexpr int kStyleXfCount = 15; // the style formats every workbook carries
constexpr uint16_t kDefaultCellXf = 15;
constexpr uint16_t kTextCellXf = 16; // format "@" (49), centred
constexpr uint16_t kTextFormat = 49;
constexpr uint16_t kLastColumn = 255;
constexpr uint16_t kTimeColumn = 1;
// Column widths in 1/256 of a character, with the padding Excel adds to 9.5 and 17.5 as in .xlsx.
constexpr uint16_t kColumnWidth = 2633;     // 10.28515625 * 256
constexpr uint16_t kTimeColumnWidth = 4681; // 18.28515625 * 256

// ---- Compound file ----
constexpr int kSectorSize = 512;
constexpr int kIdsPerSector = kSectorSize / 4;
constexpr int kHeaderFatIds = 109;
constexpr int kMiniStreamCutoff = 4096; // streams below it would live in the mini stream
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFatSector = 0xFFFFFFFD;
constexpr uint32_t kDifatSector = 0xFFFFFFFC;
constexpr uint32_t kNoStream = 0xFFFFFFFF;

class Bytes {
public:
    void u8(uint8_t v) { m_data.append(char(v)); }
    void u16(uint16_t v) {
        u8(uint8_t(v & 0xFF));
        u8(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v & 0xFFFF));
        u16(uint16_t(v >> 16));
    }
    void raw(const QByteArray& b) { m_data.append(b); }
    void zeros(qsizetype n) { m_data.append(n, '\0'); }
    qsizetype size() const { return m_data.size(); }
    QByteArray& data() { return m_data; }

private:
    QByteArray m_data;
};

void PutU32(QByteArray& data, qsizetype at, uint32_t value) {
    qToLittleEndian<uint32_t>(value, data.data() + at);
}

void Record(Bytes& stream, uint16_t type, const QByteArray& body) {
    stream.u16(type);
    stream.u16(uint16_t(body.size()));
    stream.raw(body);
}

bool FitsOneByte(QStringView text) {
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
}

// The characters of text as BIFF stores them: one byte each when all fit, else UTF-16LE.
void AppendChars(Bytes& out, QStringView text, bool wide) {
    for (const QChar c : text) {
        if (wide)
            out.u16(c.unicode());
        else
            out.u8(uint8_t(c.unicode()));
    }
}

// A name of up to 255 characters with a one-byte length (sheet and font names).
void ShortString(Bytes& out, const QString& text) {
    const bool wide = !FitsOneByte(text);
    out.u8(uint8_t(text.size()));
    out.u8(wide ? 1 : 0);
    AppendChars(out, text, wide);
}

QByteArray Bof(uint16_t substream) {
    Bytes b;
    b.u16(kBiff8);
    b.u16(substream);
    b.u16(0x0DBB); // build
    b.u16(0x07CC); // year
    b.u32(0);      // file history
    b.u32(0x06);   // lowest BIFF version that reads it
    return b.data();
}

QByteArray Font() {
    Bytes b;
    b.u16(200);    // 10 pt in twips
    b.u16(0);      // no attributes
    b.u16(0x7FFF); // automatic colour
    b.u16(400);    // normal weight
    b.u16(0);      // no super- or subscript
    b.u8(0);       // no underline
    b.u8(0);       // family
    b.u8(0);       // character set
    b.u8(0);
    ShortString(b, QStringLiteral("Arial"));
    return b.data();
}

QByteArray Xf(uint16_t format, uint16_t protection, uint8_t alignment, uint8_t usedAttributes) {
    Bytes b;
    b.u16(0); // font 0
    b.u16(format);
    b.u16(protection);
    b.u8(alignment);
    b.u8(0); // no rotation
    b.u8(0); // no indent
    b.u8(usedAttributes);
    b.u32(0);      // no borders
    b.u32(0);      // border colours
    b.u16(0x20C0); // pattern colours: automatic foreground and background
    return b.data();
}

QByteArray Window1() {
    Bytes b;
    b.u16(0);      // left
    b.u16(0);      // top
    b.u16(0x4000); // width
    b.u16(0x2000); // height
    b.u16(0x0038); // horizontal and vertical scroll bars, sheet tabs
    b.u16(0);      // active sheet
    b.u16(0);      // first visible tab
    b.u16(1);      // selected sheets
    b.u16(0x0258); // tab bar width ratio
    return b.data();
}

QByteArray Window2() {
    Bytes b;
    b.u16(0x06B6); // grid lines, headers, zeros, default grid colour, outline; selected, shown
    b.u16(0);      // top row
    b.u16(0);      // left column
    b.u32(0x40);   // grid line colour: automatic
    b.u16(0);      // page break preview zoom: default
    b.u16(0);      // normal zoom: default
    b.u32(0);
    return b.data();
}

QByteArray ColInfo(uint16_t first, uint16_t last, uint16_t width) {
    Bytes b;
    b.u16(first);
    b.u16(last);
    b.u16(width);
    b.u16(kTextCellXf);
    b.u16(0x0002); // custom width
    b.u16(0);
    return b.data();
}

// The shared string table in an SST record and as many CONTINUE records as it needs, plus the
// EXTSST index Excel uses to find strings fast. A string's characters may continue in the next
// record, which then starts with the byte that says how they are stored; a surrogate pair is never
// split.
class SharedStrings {
public:
    int indexOf(const QString& text) {
        ++m_total;
        const auto found = m_index.constFind(text);
        if (found != m_index.constEnd())
            return found.value();
        const int index = int(m_strings.size());
        m_index.insert(text, index);
        m_strings.push_back(text);
        return index;
    }

    // Appends the records; base is the position in the stream where they start.
    void write(Bytes& stream) {
        const qsizetype base = stream.size();
        m_records.clear();
        m_written = 0;
        m_current = Bytes();
        m_current.u32(uint32_t(m_total));
        m_current.u32(uint32_t(m_strings.size()));
        const int perBucket = std::max(8, int(m_strings.size() / 128) + 1);
        std::vector<std::pair<uint32_t, uint16_t>> buckets;
        for (size_t i = 0; i < m_strings.size(); ++i) {
            const QString& text = m_strings[i];
            const bool wide = !FitsOneByte(text);
            // The length and option bytes and the first characters stay together.
            if (m_current.size() + 3 + 4 > kMaxRecordData)
                startContinue();
            if (i % size_t(perBucket) == 0)
                buckets.emplace_back(uint32_t(base + m_written + 4 + m_current.size()),
                                     uint16_t(4 + m_current.size()));
            m_current.u16(uint16_t(text.size()));
            m_current.u8(wide ? 1 : 0);
            QStringView rest(text);
            while (!rest.isEmpty()) {
                const qsizetype room = kMaxRecordData - m_current.size();
                qsizetype fit = std::min(rest.size(), wide ? room / 2 : room);
                if (fit < rest.size() && fit > 0 && rest[fit - 1].isHighSurrogate())
                    --fit;
                AppendChars(m_current, rest.first(fit), wide);
                rest = rest.sliced(fit);
                if (!rest.isEmpty()) {
                    startContinue();
                    m_current.u8(wide ? 1 : 0);
                }
            }
        }
        flush();
        for (size_t i = 0; i < m_records.size(); ++i)
            Record(stream, i == 0 ? kSst : kContinue, m_records[i]);

        Bytes index;
        index.u16(uint16_t(perBucket));
        for (const auto& [position, offset] : buckets) {
            index.u32(position);
            index.u16(offset);
            index.u16(0);
        }
        Record(stream, kExtSst, index.data());
    }

private:
    void flush() {
        m_written += 4 + m_current.size();
        m_records.push_back(m_current.data());
        m_current = Bytes();
    }
    void startContinue() { flush(); }

    QHash<QString, int> m_index;
    std::vector<QString> m_strings;
    qsizetype m_total = 0;
    std::vector<QByteArray> m_records;
    Bytes m_current;
    qsizetype m_written = 0;
};

struct Cell {
    uint16_t row;
    uint16_t column;
    int string; // -1: an empty cell, which Excel keeps as a formatted blank, not as an empty string
};

QByteArray WorkbookStream(const RecordGrid& grid, int recordCount) {
    SharedStrings strings;
    std::vector<Cell> cells;
    const int rows = std::max(0, recordCount) + 1;
    cells.reserve(size_t(rows) * RecordGrid::ColumnCount);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < RecordGrid::ColumnCount; ++column) {
            const QString text = WithoutLoneSurrogates(TrimText(grid.cell(column, row)));
            if (text.size() > kXlsMaxCellText)
                return {};
            cells.push_back(
                Cell{uint16_t(row), uint16_t(column), text.isEmpty() ? -1 : strings.indexOf(text)});
        }
    }

    Bytes stream;
    Record(stream, kBof, Bof(kGlobalsSubstream));
    Bytes codePage;
    codePage.u16(kUtf16CodePage);
    Record(stream, kCodePage, codePage.data());
    Record(stream, kWindow1, Window1());
    // Font index 4 does not exist in BIFF; five records make index 5 the first one after it.
    for (int i = 0; i < 5; ++i)
        Record(stream, kFont, Font());
    for (int i = 0; i < kStyleXfCount; ++i)
        Record(stream, kXf, Xf(0, 0xFFF5, 0x20, i == 0 ? 0x00 : 0xF4));
    Record(stream, kXf, Xf(0, 0x0001, 0x20, 0x00));
    Record(stream, kXf, Xf(kTextFormat, 0x0001, 0x22, 0x14)); // centred, bottom; format and alignment set
    Bytes normalStyle;
    normalStyle.u16(0x8000); // built-in style on style format 0
    normalStyle.u8(0);       // "Normal"
    normalStyle.u8(0xFF);
    Record(stream, kStyle, normalStyle.data());
    const qsizetype sheetPositionAt = stream.size() + 4;
    Bytes sheet;
    sheet.u32(0); // the sheet's position, set below
    sheet.u8(0);  // visible
    sheet.u8(0);  // worksheet
    ShortString(sheet, QStringLiteral("Sheet1"));
    Record(stream, kBoundSheet, sheet.data());
    strings.write(stream);
    Record(stream, kEof, {});

    PutU32(stream.data(), sheetPositionAt, uint32_t(stream.size()));
    Record(stream, kBof, Bof(kSheetSubstream));
    // Every column carries the text format, so a value typed in later stays text too.
    Record(stream, kColInfo, ColInfo(0, 0, kColumnWidth));
    Record(stream, kColInfo, ColInfo(kTimeColumn, kTimeColumn, kTimeColumnWidth));
    Record(stream, kColInfo, ColInfo(kTimeColumn + 1, kLastColumn, kColumnWidth));
    Bytes dimensions;
    dimensions.u32(0);
    dimensions.u32(uint32_t(rows));
    dimensions.u16(0);
    dimensions.u16(RecordGrid::ColumnCount);
    dimensions.u16(0);
    Record(stream, kDimensions, dimensions.data());
    for (const Cell& cell : cells) {
        Bytes label;
        label.u16(cell.row);
        label.u16(cell.column);
        label.u16(kTextCellXf);
        if (cell.string >= 0)
            label.u32(uint32_t(cell.string));
        Record(stream, cell.string >= 0 ? kLabelSst : kBlank, label.data());
    }
    Record(stream, kWindow2, Window2());
    Record(stream, kEof, {});
    return stream.data();
}

void DirectoryEntry(Bytes& out, const QString& name, uint8_t type, uint32_t child, uint32_t start,
                    uint32_t size) {
    const qsizetype from = out.size();
    AppendChars(out, name, true);
    out.zeros(64 - (out.size() - from));
    out.u16(name.isEmpty() ? 0 : uint16_t((name.size() + 1) * 2));
    out.u8(type);
    out.u8(1); // black
    out.u32(kNoStream);
    out.u32(kNoStream);
    out.u32(child);
    out.zeros(16 + 4 + 8 + 8); // class id, state bits, creation and modification times
    out.u32(start);
    out.u32(size);
    out.u32(0);
}

// The compound file around one stream named "Workbook": stream sectors first, then the directory,
// the allocation table and, for large files, the table's own index sectors.
QByteArray CompoundFile(QByteArray workbook) {
    if (workbook.size() < kMiniStreamCutoff)
        workbook.append(kMiniStreamCutoff - workbook.size(), '\0');
    const uint32_t streamSize = uint32_t(workbook.size());
    const uint32_t streamSectors = (streamSize + kSectorSize - 1) / kSectorSize;
    workbook.append(qsizetype(streamSectors) * kSectorSize - workbook.size(), '\0');

    uint32_t fatSectors = 1;
    uint32_t difatSectors = 0;
    for (;; ++fatSectors) {
        difatSectors = fatSectors > kHeaderFatIds
                           ? (fatSectors - kHeaderFatIds + (kIdsPerSector - 1) - 1) / (kIdsPerSector - 1)
                           : 0;
        if (fatSectors * kIdsPerSector >= streamSectors + 1 + fatSectors + difatSectors)
            break;
    }
    const uint32_t directorySector = streamSectors;
    const uint32_t firstFat = directorySector + 1;
    const uint32_t firstDifat = firstFat + fatSectors;

    Bytes header;
    header.raw(QByteArray::fromHex("D0CF11E0A1B11AE1"));
    header.zeros(16);
    header.u16(0x003E); // minor version
    header.u16(0x0003); // major version 3: 512-byte sectors
    header.u16(0xFFFE); // little-endian
    header.u16(9);      // sector size 2^9
    header.u16(6);      // mini sector size 2^6
    header.zeros(6);
    header.u32(0); // directory sectors (always 0 in version 3)
    header.u32(fatSectors);
    header.u32(directorySector);
    header.u32(0); // transactions
    header.u32(kMiniStreamCutoff);
    header.u32(kEndOfChain); // no mini allocation table
    header.u32(0);
    header.u32(difatSectors ? firstDifat : kEndOfChain);
    header.u32(difatSectors);
    for (uint32_t i = 0; i < uint32_t(kHeaderFatIds); ++i)
        header.u32(i < fatSectors ? firstFat + i : kFreeSector);

    Bytes directory;
    DirectoryEntry(directory, QStringLiteral("Root Entry"), 5, 1, kEndOfChain, 0);
    DirectoryEntry(directory, QStringLiteral("Workbook"), 2, kNoStream, 0, streamSize);
    DirectoryEntry(directory, QString(), 0, kNoStream, 0, 0);
    DirectoryEntry(directory, QString(), 0, kNoStream, 0, 0);

    Bytes fat;
    for (uint32_t s = 0; s < streamSectors; ++s)
        fat.u32(s + 1 < streamSectors ? s + 1 : kEndOfChain);
    fat.u32(kEndOfChain); // the directory
    for (uint32_t s = 0; s < fatSectors; ++s)
        fat.u32(kFatSector);
    for (uint32_t s = 0; s < difatSectors; ++s)
        fat.u32(kDifatSector);
    while (fat.size() < qsizetype(fatSectors) * kSectorSize)
        fat.u32(kFreeSector);

    Bytes difat;
    for (uint32_t d = 0; d < difatSectors; ++d) {
        for (uint32_t k = 0; k < uint32_t(kIdsPerSector - 1); ++k) {
            const uint32_t fatIndex = kHeaderFatIds + d * (kIdsPerSector - 1) + k;
            difat.u32(fatIndex < fatSectors ? firstFat + fatIndex : kFreeSector);
        }
        difat.u32(d + 1 < difatSectors ? firstDifat + d + 1 : kEndOfChain);
    }

    QByteArray file = header.data();
    file.reserve(kSectorSize + workbook.size() + kSectorSize + fat.size() + difat.size());
    file += workbook;
    file += directory.data();
    file += fat.data();
    file += difat.data();
    return file;
}

} // namespace

QByteArray XlsWorkbookBytes(const RecordGrid& grid, int recordCount) {
    if (recordCount > kXlsMaxRecords)
        return {};
    QByteArray stream = WorkbookStream(grid, recordCount);
    return stream.isEmpty() ? QByteArray() : CompoundFile(std::move(stream));
}

Outcome WriteXlsWorkbook(const QString& fileName, const RecordGrid& grid, int recordCount) {
    if (recordCount > kXlsMaxRecords)
        return Outcome::Failure(QStringLiteral("an .xls sheet holds at most %1 records").arg(kXlsMaxRecords));
    const QByteArray bytes = XlsWorkbookBytes(grid, recordCount);
    if (bytes.isEmpty())
        return Outcome::Failure(
            QStringLiteral("a cell text is longer than %1 characters").arg(kXlsMaxCellText));
    return WriteWholeFile(fileName, bytes);
}
