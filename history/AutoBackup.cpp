#include "history/AutoBackup.h"

#include "core/GbkText.h"
#include "core/Platform.h"
#include "core/UDataCenter.h"
#include "report/DataFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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
    QString reason;
    if (!MakeBackupFolder(&reason))
        return Failed(fileName, reason);
    QByteArray bytes;
    if (QFileInfo::exists(fileName)) {
        QFile old(fileName);
        if (!old.open(QIODevice::ReadOnly))
            return Failed(fileName, old.errorString());
        bytes = old.readAll();
    }
    // The block comes from the data file's own writer: a one-record grid numbered after the
    // records the day's file already holds.
    const int number = ParseDataFileText(Gbk::decode(bytes)).recordCount + 1;
    RecordGrid block;
    block.setGridRowCount(2);
    for (int c = 0; c < RecordGrid::ColumnCount; ++c)
        block.setCell(c, 0, RecordGrid::Headers().at(c));
    RecordGrid::Row numbered = record;
    numbered[0] = RowNumberText(number);
    block.setRow(1, numbered);
    bytes += DataFileBytes(block, 1);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return Failed(fileName, file.errorString());
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
