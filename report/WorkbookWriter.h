#pragma once
// Writing the record table as a workbook in the format its name asks for: sheet row 1 the eight
// headers, one row of eight text cells per record, every cell in the text format "@" and centred,
// every column 9.5 wide and the time column B 17.5. A name ending ".xls" (any case) gets a legacy
// Excel 97-2003 workbook, ".csv" comma-separated values, every other name an .xlsx workbook.
#include "core/Outcome.h"
#include "core/RecordGrid.h"

#include <QString>

enum class WorkbookFormat { Xlsx, Xls, Csv };

WorkbookFormat WorkbookFormatOf(const QString& fileName);

// Whether the writer of the name's format can set up a workbook at all (the .xlsx writer, in
// memory): the step before any file is touched.
Outcome CanMakeWorkbook(const QString& fileName);

// Writes grid rows 0..recordCount (trimmed) into a temporary file in the target's folder and moves it
// over the target once it is on the disk, in the format WorkbookFormatOf gives for the name; a
// failure leaves an older file of that name unchanged.
Outcome WriteRecordWorkbook(const QString& fileName, const RecordGrid& grid, int recordCount);
