#pragma once
// One device's history from the archive (no folder is read): the device's records, matched without
// regard to case, together with those of the record grid, arranged as the history window shows them.
#include "history/DeviceHistory.h"

class RecordArchive;

// unreadableFiles: what the last look at the data folder could not read.
DeviceHistory ArchiveDeviceHistory(const RecordArchive& archive, const QString& device,
                                   const RecordGrid& grid, int recordCount,
                                   const QStringList& unreadableFiles);

struct Assessment;

// Each entry's verdict by the register's rules, in the order of history.entries.
std::vector<Assessment> HistoryAssessments(const RecordArchive& archive, const DeviceHistory& history);
