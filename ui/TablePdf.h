#pragma once
// A long table as an A4 PDF: a title, the column headers on every page, as many pages as the rows
// need, rows drawn one at a time so that memory stays the same whatever their number. Long texts
// wrap within their cells and the row grows to hold them. A row may carry a background colour (a
// verdict). The file is written whole (core/WholeFile.h): a failure leaves an older file as it was,
// and so does a stop asked for between rows (Cancelled, no reason). Drawn without widgets, so that it
// may run on a worker thread.
#include "archive/TableFile.h"
#include "core/Outcome.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

struct TablePdfLayout {
    QString title;
    QStringList headers;
    std::vector<int> weights;                            // relative column widths
    std::function<QColor(const QStringList&)> rowColour; // background of a row, or invalid
    bool landscape = true;
};

Outcome WriteTablePdf(const QString& fileName, const TablePdfLayout& layout, const TableRowSource& rows,
                      std::stop_token stop = {});
