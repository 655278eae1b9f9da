#pragma once
// Writing a table of texts as .xlsx (every cell a text, written row by row with constant memory)
// or .csv (UTF-8 with a byte-order mark, RFC 4180 quoting, CR LF, cells that look like formulas
// made safe), by the name's ending. The file appears whole or not at all: it is written beside
// the target, flushed to the disk and renamed over it at the end; a failure leaves the old file.
#include "core/Outcome.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <stop_token>

// The rows a worksheet holds below its header row.
inline constexpr qint64 kXlsxMaxRows = 1048575;

// Gives row r (0-based, below the header) into *cells, or returns false when there are no more.
using TableRowSource = std::function<bool(qint64 row, QStringList* cells)>;

bool IsCsvName(const QString& fileName);
// Io with the user's words on failure, the system's or the library's text as the detail; a stop
// asked for between rows gives the file up the same way (Cancelled, no reason).
Outcome WriteTableFile(const QString& fileName, const QStringList& headers, const TableRowSource& rows,
                       std::stop_token stop = {});
