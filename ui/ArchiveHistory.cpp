#include "ui/ArchiveHistory.h"

#include "archive/ArchiveQueries.h"
#include "core/UDataCenter.h"

DeviceHistory ArchiveDeviceHistory(const RecordArchive& archive, const QString& device,
                                   const RecordGrid& grid, int recordCount,
                                   const QStringList& unreadableFiles) {
    DeviceHistory history;
    history.unreadableFiles = unreadableFiles;
    history.device = TrimText(device);
    if (history.device.isEmpty())
        return history;
    const QString key = history.device.toUpper();
    for (int row = 1; row <= recordCount && row < grid.gridRowCount(); ++row)
        if (TrimText(grid.cell(2, row)).toUpper() == key)
            history.entries.push_back(HistoryEntryOf(grid.row(row), QString()));
    for (const ArchivedRecord& record : DeviceRecords(archive, history.device)) {
        // Records received from the instrument name no file.
        const bool received =
            record.source == QStringLiteral("upload") || record.source == QStringLiteral("live");
        history.entries.push_back(HistoryEntryOf(record.texts, received ? QString() : record.source));
    }
    ArrangeHistory(history.entries);
    return history;
}
