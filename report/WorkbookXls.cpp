// The legacy .xls side of the workbook reader. The library does not report which sheet was saved
// as the active one, so the first sheet is read. Its row and column figures are counts.
#include "report/WorkbookReader.h"

#include <QFile>
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

} // namespace

bool ReadXlsCells(const QString& fileName, SheetCells* cells, QString* errorText) {
    XlsHandle xls;
    const int opened = freexl_open(QFile::encodeName(fileName).constData(), xls.out());
    if (opened != FREEXL_OK) {
        *errorText = QStringLiteral("not a readable .xls workbook (code %1)").arg(opened);
        return false;
    }
    unsigned int sheets = 0;
    if (freexl_get_info(xls.get(), FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK || sheets == 0) {
        *errorText = QStringLiteral("the workbook holds no sheet");
        return false;
    }
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(xls.get(), 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(xls.get(), &rows, &columns) != FREEXL_OK) {
        *errorText = QStringLiteral("the first sheet cannot be read");
        return false;
    }
    if (rows > kSheetMaxRows) {
        *errorText = QStringLiteral("the sheet claims %1 rows").arg(rows);
        return false;
    }
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue value;
            if (freexl_get_cell_value(xls.get(), r, c, &value) != FREEXL_OK) {
                *errorText = QStringLiteral("cell %1,%2 cannot be read").arg(r).arg(c);
                return false;
            }
            const std::optional<QString> text = CellText(value);
            if (!text)
                continue;
            cells->noteCell(r + 1);
            if (c < kSheetColumns)
                cells->addText(r + 1, c + 1, *text);
        }
    }
    return true;
}
