#include "ui/ArchiveHistory.h"

#include "archive/ArchiveQueries.h"
#include "core/RecordValues.h"
#include "core/UDataCenter.h"

namespace {

HistoryEntry EntryOf(const TestRecord::Texts& texts, const QString& file) {
    HistoryEntry entry;
    entry.time = TrimText(texts[1]);
    entry.device = TrimText(texts[2]);
    entry.tester = TrimText(texts[3]);
    entry.location = TrimText(texts[4]);
    entry.step = TrimText(texts[5]);
    entry.loadTime = TrimText(texts[6]);
    entry.resistance = TrimText(texts[7]);
    entry.file = file;
    entry.when = RecordTime(entry.time);
    entry.microOhms = ResistanceMicroOhms(entry.resistance);
    return entry;
}

} // namespace

DeviceHistory ArchiveDeviceHistory(const RecordArchive& archive, const QString& device, const RecordGrid& grid,
                                   int recordCount, const QStringList& unreadableFiles) {
    DeviceHistory history;
    history.unreadableFiles = unreadableFiles;
    history.device = TrimText(device);
    if (history.device.isEmpty())
        return history;
    const QString key = history.device.toUpper();
    for (int row = 1; row <= recordCount && row < grid.gridRowCount(); ++row)
        if (TrimText(grid.cell(2, row)).toUpper() == key)
            history.entries.push_back(EntryOf(grid.row(row), QString()));
    for (const ArchivedRecord& record : DeviceRecords(archive, history.device)) {
        // Records received from the instrument name no file.
        const bool received = record.source == QStringLiteral("upload") || record.source == QStringLiteral("live");
        history.entries.push_back(EntryOf(record.texts, received ? QString() : record.source));
    }
    ArrangeHistory(history.entries);
    return history;
}
