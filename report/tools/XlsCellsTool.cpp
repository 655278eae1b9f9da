// ohmara-xls: reads the first sheet of a legacy .xls workbook and writes its cells to stdout. The
// .xls library is not safe on hostile files, so the program runs this tool as a child process with
// resource limits and never opens such a file itself. The library does not report which sheet was
// saved as the active one, so the first sheet is read; its row and column figures are counts.
//
// Output (bytes, UTF-8 texts):
//   "ohmara-xls 1\n"
//   per record "<row> <column> <length>\n" followed by <length> bytes and "\n": row is the 1-based
//     sheet row, column 1..8 a text of columns A..H, column 0 (length 0) a row whose cells all lie
//     beyond column H so far
//   "end <records>\n"
// Exit code 0 on success; otherwise the reason on stderr and a non-zero exit code.
#include "core/Outcome.h"
#include "report/WorkbookReader.h"

#include <QString>
#include <cstdio>
#include <freexl.h>
#include <optional>

namespace {

class XlsHandle {
public:
    XlsHandle() = default;
    ~XlsHandle() {
        if (m_handle)
            freexl_close(m_handle);
    }
    XlsHandle(const XlsHandle&) = delete;
    XlsHandle& operator=(const XlsHandle&) = delete;
    const void** out() { return &m_handle; }
    const void* get() const { return m_handle; }

private:
    const void* m_handle = nullptr;
};

// The cell as text, or nothing for an empty cell.
std::optional<QString> CellText(const FreeXL_CellValue& value) {
    switch (value.type) {
    case FREEXL_CELL_INT:
        return QString::number(value.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return QString::number(value.value.double_value, 'g', 15);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return QString::fromUtf8(value.value.text_value ? value.value.text_value : "");
    default:
        return std::nullopt;
    }
}

class CellWriter {
public:
    void write(unsigned int row, int column, const QByteArray& text) {
        std::fprintf(stdout, "%u %d %lld\n", row, column, static_cast<long long>(text.size()));
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fputc('\n', stdout);
        ++m_records;
    }
    bool finish() {
        std::fprintf(stdout, "end %llu\n", m_records);
        return std::fflush(stdout) == 0 && !std::ferror(stdout);
    }

private:
    unsigned long long m_records = 0;
};

// The sheet's cells written out; the reason goes to stderr as it is (the program words it).
Outcome WriteSheetCells(const char* fileName) {
    XlsHandle xls;
    const int opened = freexl_open(fileName, xls.out());
    if (opened != FREEXL_OK)
        return Outcome::Failure(FailureKind::Foreign,
                                QStringLiteral("not a readable .xls workbook (code %1)").arg(opened));
    unsigned int sheets = 0;
    if (freexl_get_info(xls.get(), FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0)
        return Outcome::Failure(FailureKind::Invalid, QStringLiteral("the workbook holds no sheet"));
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(xls.get(), 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(xls.get(), &rows, &columns) != FREEXL_OK)
        return Outcome::Failure(FailureKind::Damaged, QStringLiteral("the first sheet cannot be read"));
    if (rows > kSheetMaxRows)
        return Outcome::Failure(FailureKind::Invalid, QStringLiteral("the sheet claims %1 rows").arg(rows));
    std::fputs("ohmara-xls 1\n", stdout);
    CellWriter writer;
    for (unsigned int r = 0; r < rows; ++r) {
        bool rowWritten = false;
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(xls.get(), r, c, &value) != FREEXL_OK)
                return Outcome::Failure(FailureKind::Damaged,
                                        QStringLiteral("cell %1,%2 cannot be read").arg(r).arg(c));
            const std::optional<QString> text = CellText(value);
            if (!text)
                continue;
            if (c < kSheetColumns)
                writer.write(r + 1, c + 1, text->toUtf8());
            else if (!rowWritten)
                writer.write(r + 1, 0, {});
            rowWritten = true;
        }
        // The sheet's dimensions are its used range: a last row of formatted blanks still counts.
        if (!rowWritten && r + 1 == rows)
            writer.write(r + 1, 0, {});
    }
    if (!writer.finish())
        return Outcome::Failure(FailureKind::Io, QStringLiteral("the cells cannot be written out"));
    return {};
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: ohmara-xls WORKBOOK.xls\n", stderr);
        return 2;
    }
    if (const Outcome written = WriteSheetCells(argv[1]); !written) {
        std::fprintf(stderr, "%s\n", written.reason().toUtf8().constData());
        return 1;
    }
    return 0;
}
