#pragma once
// Writing the record table as a workbook in the format its name asks for: sheet row 1 the eight
// headers, one row of eight text cells per record, every cell in the text format "@" and centred,
// every column 9.5 wide and the time column B 17.5. A name ending ".xls" (any case) gets a legacy
// Excel 97-2003 workbook, ".csv" comma-separated values, every other name an .xlsx workbook.
#include "core/RecordGrid.h"

#include <QString>

enum class WorkbookFormat { Xlsx, Xls, Csv };

WorkbookFormat WorkbookFormatOf(const QString& fileName);

enum class WorkbookWriteResult {
    Written,
    NotCreated, // the workbook object could not be made at all
    Failed,     // building or saving the workbook failed; an older file of that name is unchanged
};

// Writes grid rows 0..recordCount (trimmed) into a temporary file in the target's folder and moves it
// over the target at the end, in the format WorkbookFormatOf gives for the name.
WorkbookWriteResult WriteRecordWorkbook(const QString& fileName, const RecordGrid& grid, int recordCount,
                                        QString* errorText);
