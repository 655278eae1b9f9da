#pragma once
// Reading a record table back from a workbook: the active sheet of an .xlsx workbook or the first
// sheet of a legacy .xls workbook, told apart by their content, or comma-separated values from a
// file that is neither and whose name ends ".csv" (any case). The sheet's used range decides the
// record count (its rows minus the header row); rows are read from sheet row 2 on, columns A to H,
// every cell as text.
#include "core/Outcome.h"
#include "core/RecordGrid.h"

#include <QString>
#include <cstdint>
#include <vector>

inline constexpr uint32_t kSheetMaxRows = 1048576;
inline constexpr int kSheetColumns = RecordGrid::ColumnCount;

// Bounds that keep a damaged or hostile workbook from taking the memory of the machine.
struct WorkbookLimits {
    qint64 maxFileBytes = qint64(256) * 1024 * 1024;     // the workbook file itself
    qint64 maxSheetBytes = qint64(256) * 1024 * 1024;    // unpacked sheet and shared-string parts
    qint64 maxSmallPartBytes = qint64(16) * 1024 * 1024; // unpacked workbook and relationship parts
    // Rows of the used range that hold no cell at all; a range claiming more is not a real table.
    uint32_t maxEmptyRows = 65536;
    // Columns whose texts the cell readers keep (A.. on); the record table has eight.
    int columns = kSheetColumns;
};

struct WorkbookRecords {
    std::vector<RecordGrid::Row> rows; // grid rows 1..recordCount
    int recordCount = 0;
};

// Reads the table; a failure when the file is not a readable workbook or claims more than it can
// hold.
Result<WorkbookRecords> ReadRecordWorkbook(const QString& fileName, const WorkbookLimits& limits = {});

// ---- Shared by the two readers ----

// The cells a reader found: the used range over every column, the texts of columns A to H.
struct SheetCell {
    uint32_t row = 0;    // 1-based sheet row
    int column = 0;      // 1..WorkbookLimits::columns
    int32_t shared = -1; // index of a shared string still to be looked up, or -1
    QString text;
};

class SheetCells {
public:
    // Any cell, whatever its column, widens the used range.
    void noteCell(uint32_t row);
    void addText(uint32_t row, int column, QString text);
    void addShared(uint32_t row, int column, int32_t index);

    bool empty() const { return m_rowsWithCells == 0; }
    uint32_t firstRow() const { return m_firstRow; }
    uint32_t lastRow() const { return m_lastRow; }
    uint64_t rowsWithCells() const { return m_rowsWithCells; }
    std::vector<SheetCell>& cells() { return m_cells; }
    const std::vector<SheetCell>& cells() const { return m_cells; }

private:
    uint32_t m_firstRow = 0;
    uint32_t m_lastRow = 0;
    uint32_t m_previousRow = 0;
    uint64_t m_rowsWithCells = 0;
    std::vector<SheetCell> m_cells;
};

// Turns the cells into records: n = used-range rows - 1, grid row r from sheet row r + 1.
Result<WorkbookRecords> BuildWorkbookRecords(const SheetCells& cells, const WorkbookLimits& limits);

Outcome ReadXlsxCells(const QString& fileName, const WorkbookLimits& limits, SheetCells* cells);
Outcome ReadXlsCells(const QString& fileName, SheetCells* cells);
// The .xls reader tool the program runs: beside the executable, else in the install's libexec
// folder; empty when neither holds it.
QString XlsToolPath();
Outcome ReadCsvCells(const QString& fileName, const WorkbookLimits& limits, SheetCells* cells);
