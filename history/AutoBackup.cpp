#include "history/AutoBackup.h"

#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"

#include <QDir>
#include <QFileInfo>

namespace {

const QString kDataFolderName = QStringLiteral("测试记录");

// Creates the data folder and the backup folder; false with the reason when either cannot be.
bool MakeBackupFolder(QString* reason) {
    const QString folder = BackupFolder();
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return true;
    *reason = QStringLiteral("无法创建文件夹'%1'").arg(QDir::toNativeSeparators(folder));
    return false;
}

BackupOutcome Failed(const QString& fileName, const QString& reason) {
    return BackupOutcome{false, fileName, reason};
}

} // namespace

QString BackupFolder() {
    return ExecutableDir() + kDataFolderName + QLatin1Char('/') + kBackupFolderName;
}

BackupOutcome BackUpUpload(const RecordGrid& grid, int recordCount, const QDateTime& when) {
    const QString stem = BackupFolder() + QStringLiteral("/上传 ") + FormatFileStamp(when);
    QString fileName = stem + QStringLiteral(".txt");
    for (int n = 2; QFileInfo::exists(fileName); ++n)
        fileName = stem + QStringLiteral(" (%1).txt").arg(n);
    QString reason;
    if (!MakeBackupFolder(&reason) || !WriteDataFile(fileName, grid, recordCount, &reason))
        return Failed(fileName, reason);
    return BackupOutcome{true, fileName, {}};
}

BackupOutcome BackUpTestRecord(const RecordGrid::Row& record, const QDateTime& when) {
    const QString fileName =
        BackupFolder() +
        QStringLiteral("/测试 %1.txt").arg(when.date().toString(QStringLiteral("yyyy-MM-dd")));
    if (QString reason; !MakeBackupFolder(&reason))
        return Failed(fileName, reason);
    // The day's records are read back and written again with the new one, so that the whole file
    // keeps one encoding whatever characters the new record brings. A file that is there but cannot
    // be read as a data file is left alone.
    std::vector<RecordGrid::Row> rows;
    if (QFileInfo::exists(fileName)) {
        DataFileReadResult old = ReadDataFile(fileName);
        if (old.status == DataFileStatus::Loaded) {
            rows = std::move(old.records.rows);
            rows.resize(size_t(old.records.recordCount));
        } else if (old.status != DataFileStatus::Empty) {
            return Failed(fileName, DataFileMessage(old, fileName));
        }
    }
    RecordGrid::Row numbered = record;
    numbered[0] = RowNumberText(int(rows.size()) + 1);
    rows.push_back(std::move(numbered));
    const int recordCount = int(rows.size());
    RecordGrid day;
    day.replaceDataRows(std::move(rows));
    for (int c = 0; c < RecordGrid::ColumnCount; ++c)
        day.setCell(c, 0, RecordGrid::Headers().at(c));
    QString reason;
    if (!WriteDataFile(fileName, day, recordCount, &reason))
        return Failed(fileName, reason);
    return BackupOutcome{true, fileName, {}};
}

QString BackupFailureMessage(const BackupOutcome& outcome) {
    return QStringLiteral("自动备份文件'%1'未能写入，记录仍在表格中，请另行保存。\n%2")
        .arg(QDir::toNativeSeparators(outcome.fileName), outcome.reason);
}

void ReportBackupFailure(const BackupOutcome& outcome) {
    if (!outcome.written)
        ShowMessage(BackupFailureMessage(outcome), kAppTitle, MsgIcon::Warning);
}
