#pragma once
// One device's history: every record of its device number in the record grid and in every data
// file and workbook of the data folder and its subfolders (the backups included), without exact
// duplicates, in the order of its test times, with each test's change against the first and the
// previous test of the same current step.
#include "core/RecordGrid.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct HistoryEntry {
    QString time;
    QString device;
    QString tester;
    QString location;
    QString step;
    QString loadTime;
    QString resistance;
    QString file; // path below the data folder, or empty for the record grid
    std::optional<QDateTime> when;
    std::optional<double> microOhms;
    std::optional<double> changeFromFirst;    // %, against the first test of the step
    std::optional<double> changeFromPrevious; // %, against the previous test of the step
    bool charted() const { return when && microOhms; }
};

struct TrendSeries {
    QString step;
    std::vector<std::pair<QDateTime, double>> points; // in time order
};

struct DeviceHistory {
    QString device;
    // The entries whose time and resistance parse, by test time (ties in the order found), then
    // those that do not, in the order found.
    std::vector<HistoryEntry> entries;
    QStringList unreadableFiles;            // below the data folder
    std::vector<TrendSeries> trend() const; // one series per current step, by amperes
};

// What was read from the files of the data folder, kept by path and checked against each file's
// size and modification time, so a second look reads only what changed.
class HistoryCache {
public:
    struct FileRecords {
        qint64 size = -1;
        QDateTime modified;
        bool readable = false;
        QHash<QString, std::vector<RecordGrid::Row>> byDevice; // trimmed device number -> rows
    };
    const FileRecords& recordsOf(const QString& path);
    int filesRead() const { return m_filesRead; }
    void clear() { m_files.clear(); }

private:
    QHash<QString, FileRecords> m_files;
    int m_filesRead = 0;
};

// The cache the program keeps for its whole run.
HistoryCache& SharedHistoryCache();

// Whether the file is one the history reads: ".txt" exactly in lower case as the data-file
// route tells them, or a workbook ending in ".xlsx" or ".xls".
bool IsHistorySourceFile(const QString& fileName);

// Gathers the device's history from grid rows 1..recordCount and the files below dataFolder;
// nothing for an empty device number.
DeviceHistory GatherDeviceHistory(const QString& device, const RecordGrid& grid, int recordCount,
                                  const QString& dataFolder, HistoryCache& cache);

// One record's texts as a history entry (trimmed, time and resistance read back); file is where it
// was found below the data folder, empty for the record grid.
HistoryEntry HistoryEntryOf(const RecordGrid::Row& row, const QString& file);

// Sorts, drops exact duplicates (time, device, step, resistance) and fills the changes.
void ArrangeHistory(std::vector<HistoryEntry>& entries);
