#include "history/AutoBackup.h"

#include "core/Platform.h"
#include "core/ProgramPlaces.h"
#include "core/UDataCenter.h"
#include "core/WholeFile.h"
#include "report/DataFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// Creates the data folder and the backup folder; false with the reason when either cannot be.
bool MakeBackupFolder(QString* reason) {
    const QString folder = BackupFolder();
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return true;
    *reason = QStringLiteral("无法创建文件夹'%1'").arg(QDir::toNativeSeparators(folder));
    return false;
}

// A name is taken by a file or by a link, even one that points nowhere.
bool Taken(const QString& fileName) {
    const QFileInfo info(fileName);
    return info.exists() || info.isSymLink();
}

BackupOutcome Failed(const QString& fileName, const QString& reason) {
    return BackupOutcome{false, fileName, reason};
}

} // namespace

QString BackupFolder() {
    return CurrentProgramPlaces().dataFolder + QLatin1Char('/') + kBackupFolderName;
}

BackupOutcome BackUpUpload(const RecordGrid& grid, int recordCount, const QDateTime& when) {
    const QString stem = BackupFolder() + QStringLiteral("/上传 ") + FormatFileStamp(when);
    QString fileName = stem + QStringLiteral(".txt");
    for (int n = 2; Taken(fileName); ++n)
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
    // A backup never writes through a link, to wherever it points.
    if (QFileInfo(fileName).isSymLink())
        return Failed(fileName, QStringLiteral("此名称是一个链接，备份不写入链接"));
    // The new record is added after the day's records as they lie in the file; they are never
    // read back as records. A file that is there but is no data file is left alone.
    QByteArray existing;
    if (QFileInfo::exists(fileName)) {
        const DataFileReadResult old = ReadDataFile(fileName);
        if (old.status != DataFileStatus::Loaded && old.status != DataFileStatus::Empty)
            return Failed(fileName, DataFileMessage(old, fileName));
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return Failed(fileName, file.errorString());
        existing = file.readAll();
    }
    QSaveFile file(fileName);
    QString reason;
    if (!OpenWholeFile(file) || !WriteFully(file, DataFileBytesWithRecord(existing, record))) {
        reason = file.errorString();
        file.cancelWriting();
        return Failed(fileName, reason);
    }
    if (!CommitWholeFile(file, &reason))
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
