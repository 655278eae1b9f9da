#pragma once
// Writing the record table as comma-separated values: UTF-8 with a byte-order mark (so that
// spreadsheet programs show the Chinese texts right), sheet row 1 the eight headers, one line of
// eight fields per record, CR LF line ends, a field quoted when it holds a comma, a quote or a
// line break, with its quotes doubled.
#include "core/Outcome.h"
#include "core/RecordGrid.h"

#include <QByteArray>
#include <QString>

// Appends one field, quoted when it holds a comma, a quote or a line break, its quotes doubled.
void AppendCsvField(QString& out, const QString& text);

// The bytes of the whole file for grid rows 0..recordCount (trimmed).
QByteArray CsvBytes(const RecordGrid& grid, int recordCount);

// Writes the file whole (core/WholeFile.h).
Outcome WriteCsvFile(const QString& fileName, const RecordGrid& grid, int recordCount);
