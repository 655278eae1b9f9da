#include "ui/ArchiveHistory.h"

#include "archive/ArchiveQueries.h"
#include "core/TestRecord.h"
#include "core/UDataCenter.h"

#include <QCoreApplication>

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
        // Records received from the instrument name how they came instead of a file.
        const QString origin = record.source == QStringLiteral("upload")
                                   ? QCoreApplication::translate("ArchiveHistory", "仪器上传")
                               : record.source == QStringLiteral("live")
                                   ? QCoreApplication::translate("ArchiveHistory", "现场试验")
                                   : record.source;
        history.entries.push_back(HistoryEntryOf(record.texts, origin));
    }
    ArrangeHistory(history.entries);
    return history;
}

std::vector<Assessment> HistoryAssessments(const RecordArchive& archive, const DeviceHistory& history) {
    ArchiveAssessor assessor(archive);
    std::vector<Assessment> assessments;
    assessments.reserve(history.entries.size());
    for (const HistoryEntry& entry : history.entries)
        assessments.push_back(assessor.assess(
            TestRecord::FromTexts({QString(), entry.time, entry.device, entry.tester, entry.location,
                                   entry.step, entry.loadTime, entry.resistance})));
    return assessments;
}
