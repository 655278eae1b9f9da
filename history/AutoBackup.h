#pragma once
// Automatic backups of every record the program receives, so that nothing measured is lost
// before the user saves it: each upload becomes a data file of its own, each saved live test is
// added to the day's file. Backups open no dialog and no folder; a failure is handed back for
// the caller to report once its flow has ended.
#include "core/Outcome.h"
#include "core/RecordGrid.h"

#include <QDateTime>
#include <QString>

inline const QString kBackupFolderName = QStringLiteral("自动备份");

// The backup folder inside the data folder (no trailing separator); not created here.
QString BackupFolder();

// Writes grid rows 1..recordCount to "上传 YY-MM-DD hh-mm-ss.txt", byte for byte what saving
// them as ".txt" writes. A second upload within the same second gets "上传 … (2).txt". The value is
// the backup file's full path; a failure's reason is the one message that reports it, naming the file.
Result<QString> BackUpUpload(const RecordGrid& grid, int recordCount, const QDateTime& when);

// Adds one record as a data-file block to "测试 YYYY-MM-DD.txt", numbered after the blocks the
// file already holds. The whole new file replaces the old one at once.
Result<QString> BackUpTestRecord(const RecordGrid::Row& record, const QDateTime& when);

// Shows a failed backup's message (warning icon, the program's title).
void ReportBackupFailure(const Outcome& backup);
