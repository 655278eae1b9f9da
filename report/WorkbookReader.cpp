#include "report/WorkbookReader.h"

#include "report/SheetText.h"

#include <QFile>
#include <QFileInfo>

namespace {

enum class WorkbookKind { Unknown, Xlsx, Xls };

WorkbookKind KindOfContent(const QByteArray& head) {
    if (head.startsWith("PK\x03\x04"))
        return WorkbookKind::Xlsx;
    if (head.startsWith(QByteArray::fromHex("D0CF11E0A1B11AE1")))
        return WorkbookKind::Xls;
    return WorkbookKind::Unknown;
}

} // namespace

void SheetCells::noteCell(uint32_t row) {
    if (m_rowsWithCells == 0 || row < m_firstRow)
        m_firstRow = row;
    if (m_rowsWithCells == 0 || row > m_lastRow)
        m_lastRow = row;
    // Rows come in order in every sane file; out-of-order rows only count more often.
    if (m_rowsWithCells == 0 || row != m_previousRow)
        ++m_rowsWithCells;
    m_previousRow = row;
}

void SheetCells::addText(uint32_t row, int column, QString text) {
    m_cells.push_back(SheetCell{row, column, -1, std::move(text)});
}

void SheetCells::addShared(uint32_t row, int column, int32_t index) {
    m_cells.push_back(SheetCell{row, column, index, {}});
}

Result<WorkbookRecords> BuildWorkbookRecords(const SheetCells& cells, const WorkbookLimits& limits) {
    // A sheet without cells has the used range A1: the header row alone.
    const uint32_t usedRows = cells.empty() ? 1 : cells.lastRow() - cells.firstRow() + 1;
    if (cells.lastRow() > kSheetMaxRows)
        return Outcome::Failure(QStringLiteral("row %1 lies beyond the last sheet row").arg(cells.lastRow()));
    const uint64_t emptyRows = cells.rowsWithCells() >= usedRows ? 0 : usedRows - cells.rowsWithCells();
    if (emptyRows > limits.maxEmptyRows)
        return Outcome::Failure(QStringLiteral("the used range claims %1 rows but only %2 hold cells")
                                    .arg(usedRows)
                                    .arg(cells.rowsWithCells()));
    const uint32_t n = usedRows - 1;
    WorkbookRecords records;
    records.recordCount = int(n);
    records.rows.assign(n, RecordGrid::Row{});
    for (const SheetCell& cell : cells.cells()) {
        if (cell.row >= 2 && cell.row <= n + 1 && cell.column >= 1 && cell.column <= kSheetColumns)
            records.rows[cell.row - 2][size_t(cell.column - 1)] = WithoutLoneSurrogates(cell.text);
    }
    return records;
}

Result<WorkbookRecords> ReadRecordWorkbook(const QString& fileName, const WorkbookLimits& limits) {
    QFile file(fileName);
    const QFileInfo info(fileName);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return Outcome::Failure(info.isFile() ? file.errorString() : QStringLiteral("not a file"));
    if (info.size() > limits.maxFileBytes)
        return Outcome::Failure(QStringLiteral("the file is larger than %1 bytes").arg(limits.maxFileBytes));
    const WorkbookKind kind = KindOfContent(file.read(8));
    file.close();

    SheetCells cells;
    Outcome read;
    switch (kind) {
    case WorkbookKind::Xlsx:
        read = ReadXlsxCells(fileName, limits, &cells);
        break;
    case WorkbookKind::Xls:
        read = ReadXlsCells(fileName, &cells);
        break;
    case WorkbookKind::Unknown:
        read = fileName.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)
                   ? ReadCsvCells(fileName, limits, &cells)
                   : Outcome::Failure(QStringLiteral("neither an .xlsx nor an .xls workbook"));
        break;
    }
    if (!read)
        return read;
    return BuildWorkbookRecords(cells, limits);
}
