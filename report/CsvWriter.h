#pragma once
// Writing the record table as comma-separated values: UTF-8 with a byte-order mark (so that
// spreadsheet programs show the Chinese texts right), sheet row 1 the eight headers, one line of
// eight fields per record, CR LF line ends, a field quoted when it holds a comma, a quote or a
// line break, with its quotes doubled. A cell a spreadsheet program would run as a formula is
// written with a leading apostrophe.
#include "core/Outcome.h"
#include "core/RecordGrid.h"

#include <QByteArray>
#include <QString>

// Appends one field, quoted when it holds a comma, a quote or a line break, its quotes doubled,
// made safe first (CsvSafeText).
void AppendCsvField(QString& out, const QString& text);

// A text that begins with "=", "+", "-", "@", a tab or a carriage return after any apostrophes,
// which a spreadsheet program would take for a formula, gets one more apostrophe in front: those
// programs show it as text and never evaluate it. CsvCellText takes that apostrophe off again
// when the file is read, so that every text comes back as it was.
QString CsvSafeText(const QString& text);
QString CsvCellText(const QString& field);

// The bytes of the whole file for grid rows 0..recordCount (trimmed).
QByteArray CsvBytes(const RecordGrid& grid, int recordCount);

// Writes the file whole (core/WholeFile.h).
Outcome WriteCsvFile(const QString& fileName, const RecordGrid& grid, int recordCount);
