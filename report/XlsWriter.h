#pragma once
// Writing the record table as a legacy Excel 97-2003 workbook (BIFF8 in a compound file): one
// sheet, sheet row 1 the eight headers, one row of eight text cells per record from the shared
// string table, every cell in the text format "@" and centred, every column 9.5 wide and the time
// column B 17.5.
#include "core/Outcome.h"
#include "core/RecordGrid.h"

#include <QByteArray>
#include <QString>

// A BIFF8 sheet has 65,536 rows: the header row and at most this many records.
inline constexpr int kXlsMaxRecords = 65535;
// The longest text a cell holds, in UTF-16 units, as in Excel.
inline constexpr int kXlsMaxCellText = 32767;

// The bytes of the whole file for grid rows 0..recordCount (trimmed); empty when recordCount
// exceeds kXlsMaxRecords or a text kXlsMaxCellText.
QByteArray XlsWorkbookBytes(const RecordGrid& grid, int recordCount);

// Writes the file whole (core/WholeFile.h).
Outcome WriteXlsWorkbook(const QString& fileName, const RecordGrid& grid, int recordCount);
