#pragma once
// The eight columns of a test record, in the order the grid, the data file, the workbooks, the
// report and the history show them: each column's header (also its data-file key), its widths and
// how its text reads back into the record's values. Every header text is spelled here and only here.
// The headers are file formats; what the screen and the report show is their caption, translated.
#include "core/TestRecord.h"

#include <QString>
#include <array>

enum class RecordColumn { Number, Time, Device, Tester, Location, Step, LoadTime, Resistance };

struct RecordColumnInfo {
    RecordColumn column;
    QString header;  // the workbook's header cell and the grid's header row, never translated
    QString fileKey; // the key of the column's line in a data file
    int gridWidth;   // pixels in the main window's grid
    int reportUnits; // share of the report's row, in fifteenths
    // Reads the column's text into the values of the record, where it parses; leaves them unset
    // otherwise.
    void (*readBack)(TestRecord& record, const QString& text);
    // The header in the program's language: the grid's header, the report's and the dialogs' captions.
    QString caption() const;
};

const std::array<RecordColumnInfo, TestRecord::ColumnCount>& RecordColumns();
// The caption of a header text (the text itself where it is no column's header).
QString RecordColumnCaption(const QString& header);
const RecordColumnInfo& RecordColumnOf(RecordColumn column);
inline int ColumnIndex(RecordColumn column) {
    return int(column);
}
