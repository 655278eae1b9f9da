#pragma once
// The pieces of a device's history that the window and its exports share: the trend chart (one
// line per current step, the limit as a red dashed line), the rows of the history table and the
// page that goes into a PDF or PNG file.
#include "core/Outcome.h"
#include "core/WorkControl.h"
#include "history/DeviceHistory.h"

#include <QPicture>
#include <QStringList>
#include <optional>

class QChart;

// The chart of the resistance in µΩ over time; the caller owns it.
QChart* BuildTrendChart(const DeviceHistory& history, const QString& limit);
// The name of the limit's line: "限值 N uΩ".
QString LimitSeriesName(const QString& limit);

// The table's column headers and the texts of one entry in that order.
const QStringList& HistoryColumnHeaders();
QStringList HistoryRowTexts(const HistoryEntry& entry);
// "+12.5%", or empty.
QString ChangeText(const std::optional<double>& percent);

// The export files, in the data folder: "设备历史 <device> YY-MM-DD hh-mm-ss.pdf" / ".png", with
// characters no file name may hold replaced by "_". Both are written whole (core/WholeFile.h).
QString HistoryExportName(const QString& device, const QDateTime& when, const QString& suffix);
// An export copied off the window: the history, and its chart drawn ahead at the size the file
// gives it (the chart is a graphics scene, which stays on the window's thread).
struct HistoryExport {
    DeviceHistory history;
    bool png = false; // a PNG picture by the name's ending, else PDF pages
    QPicture chart;
};
// On the window's thread.
HistoryExport PrepareHistoryExport(const QString& fileName, const DeviceHistory& history,
                                   const QString& limit);
// On any thread: the file written whole; a stop leaves the old file as it was (Cancelled).
Outcome WriteHistoryExport(const QString& fileName, const HistoryExport& prepared,
                           const WorkControl& control = {});
