#include "history/DeviceHistory.h"

#include "core/RecordValues.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"
#include "report/WorkbookReader.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <algorithm>
#include <map>

HistoryEntry HistoryEntryOf(const RecordGrid::Row& row, const QString& file) {
    HistoryEntry entry;
    entry.time = TrimText(row[1]);
    entry.device = TrimText(row[2]);
    entry.tester = TrimText(row[3]);
    entry.location = TrimText(row[4]);
    entry.step = TrimText(row[5]);
    entry.loadTime = TrimText(row[6]);
    entry.resistance = TrimText(row[7]);
    entry.file = file;
    entry.when = RecordTime(entry.time);
    entry.microOhms = ResistanceMicroOhms(entry.resistance);
    return entry;
}

namespace {

constexpr double kPercent = 100.0;

std::vector<RecordGrid::Row> ReadRows(const QString& path, bool* readable) {
    if (path.endsWith(QStringLiteral(".txt"))) {
        Result<DataFileRecords> read = ReadDataFile(path);
        *readable = read.ok();
        if (!read)
            return {};
        read->rows.resize(size_t(read->recordCount));
        return std::move(read->rows);
    }
    Result<WorkbookRecords> read = ReadRecordWorkbook(path);
    *readable = read.ok();
    if (!read)
        return {};
    read->rows.resize(size_t(read->recordCount));
    return std::move(read->rows);
}

// The amperes at the start of a step text ("100 A" gives 100), for ordering the series.
int LeadingAmperes(const QString& step) {
    int value = 0;
    for (const QChar c : step) {
        if (!c.isDigit())
            break;
        value = value * 10 + c.digitValue();
    }
    return value;
}

double PercentChange(double from, double to) {
    return (to - from) / from * kPercent;
}

} // namespace

HistoryCache& SharedHistoryCache() {
    static HistoryCache cache;
    return cache;
}

const HistoryCache::FileRecords& HistoryCache::recordsOf(const QString& path) {
    const QFileInfo info(path);
    FileRecords& cached = m_files[path];
    if (cached.size == info.size() && cached.modified == info.lastModified())
        return cached;
    ++m_filesRead;
    cached = FileRecords{};
    cached.size = info.size();
    cached.modified = info.lastModified();
    for (RecordGrid::Row& row : ReadRows(path, &cached.readable))
        cached.byDevice[TrimText(row[2])].push_back(std::move(row));
    return cached;
}

bool IsHistorySourceFile(const QString& fileName) {
    return fileName.endsWith(QStringLiteral(".txt")) ||
           fileName.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive) ||
           fileName.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive);
}

DeviceHistory GatherDeviceHistory(const QString& device, const RecordGrid& grid, int recordCount,
                                  const QString& dataFolder, HistoryCache& cache) {
    DeviceHistory history;
    history.device = TrimText(device);
    // Records without a device number are nobody's history.
    if (history.device.isEmpty())
        return history;
    QStringList files;
    QDirIterator it(dataFolder, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        if (IsHistorySourceFile(path))
            files.append(path);
    }
    files.sort();
    const QDir folder(dataFolder);
    for (const QString& path : files) {
        const HistoryCache::FileRecords& records = cache.recordsOf(path);
        const QString relative = folder.relativeFilePath(path);
        if (!records.readable)
            history.unreadableFiles.append(relative);
        const auto found = records.byDevice.constFind(history.device);
        if (found == records.byDevice.cend())
            continue;
        for (const RecordGrid::Row& row : *found)
            history.entries.push_back(HistoryEntryOf(row, relative));
    }
    const int rows = std::min(recordCount, grid.gridRowCount() - 1);
    for (int r = 1; r <= rows; ++r) {
        if (TrimText(grid.cell(2, r)) == history.device)
            history.entries.push_back(HistoryEntryOf(grid.row(r), QString()));
    }
    ArrangeHistory(history.entries);
    return history;
}

void ArrangeHistory(std::vector<HistoryEntry>& entries) {
    QSet<QString> seen;
    std::vector<HistoryEntry> kept;
    kept.reserve(entries.size());
    for (HistoryEntry& entry : entries) {
        const QString key = entry.time + QChar(0x1F) + entry.device + QChar(0x1F) + entry.step + QChar(0x1F) +
                            entry.resistance;
        if (seen.contains(key))
            continue;
        seen.insert(key);
        kept.push_back(std::move(entry));
    }
    std::stable_partition(kept.begin(), kept.end(), [](const HistoryEntry& e) { return e.charted(); });
    const auto charted =
        std::find_if(kept.begin(), kept.end(), [](const HistoryEntry& e) { return !e.charted(); });
    std::stable_sort(kept.begin(), charted,
                     [](const HistoryEntry& a, const HistoryEntry& b) { return *a.when < *b.when; });
    QHash<QString, double> first;
    QHash<QString, double> previous;
    for (auto e = kept.begin(); e != charted; ++e) {
        const double value = *e->microOhms;
        if (first.contains(e->step)) {
            if (first.value(e->step) != 0)
                e->changeFromFirst = PercentChange(first.value(e->step), value);
            if (previous.value(e->step) != 0)
                e->changeFromPrevious = PercentChange(previous.value(e->step), value);
        } else {
            first.insert(e->step, value);
        }
        previous.insert(e->step, value);
    }
    entries = std::move(kept);
}

std::vector<TrendSeries> DeviceHistory::trend() const {
    std::map<std::pair<int, QString>, TrendSeries> byStep;
    for (const HistoryEntry& entry : entries) {
        if (!entry.charted())
            continue;
        TrendSeries& series = byStep[{LeadingAmperes(entry.step), entry.step}];
        series.step = entry.step;
        series.points.emplace_back(*entry.when, *entry.microOhms);
    }
    std::vector<TrendSeries> result;
    for (auto& [key, series] : byStep)
        result.push_back(std::move(series));
    return result;
}
