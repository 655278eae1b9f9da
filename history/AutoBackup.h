#pragma once
// Automatic backups of every record the program receives, so that nothing measured is lost
// before the user saves it: each upload becomes a data file of its own, each saved live test is
// added to the day's file. Backups open no dialog and no folder; a failure is handed back for
// the caller to report once its flow has ended.
#include "core/RecordGrid.h"

#include <QDateTime>
#include <QString>

inline const QString kBackupFolderName = QStringLiteral("自动备份");

// The backup folder inside the data folder (no trailing separator); not created here.
QString BackupFolder();

struct BackupOutcome {
    bool written = true;
    QString fileName; // full path of the backup file, also when it failed
    QString reason;   // why it failed
};

// Writes grid rows 1..recordCount to "上传 YY-MM-DD hh-mm-ss.txt", byte for byte what saving
// them as ".txt" writes. A second upload within the same second gets "上传 … (2).txt".
BackupOutcome BackUpUpload(const RecordGrid& grid, int recordCount, const QDateTime& when);

// Adds one record as a data-file block to "测试 YYYY-MM-DD.txt", numbered after the blocks the
// file already holds. The whole new file replaces the old one at once.
BackupOutcome BackUpTestRecord(const RecordGrid::Row& record, const QDateTime& when);

// The one message that reports a failed backup, naming its file.
QString BackupFailureMessage(const BackupOutcome& outcome);
// Shows that message (warning icon, the program's title) when the backup failed.
void ReportBackupFailure(const BackupOutcome& outcome);
