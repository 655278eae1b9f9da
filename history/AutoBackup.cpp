#include "history/AutoBackup.h"

#include "core/Platform.h"
#include "core/ProgramPlaces.h"
#include "core/UDataCenter.h"
#include "core/WholeFile.h"
#include "report/DataFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// Creates the data folder and the backup folder.
Outcome MakeBackupFolder() {
    const QString folder = BackupFolder();
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return {};
    return Outcome::Failure(QCoreApplication::translate("AutoBackup", "无法创建文件夹'%1'")
                                .arg(QDir::toNativeSeparators(folder)));
}

// A name is taken by a file or by a link, even one that points nowhere.
bool Taken(const QString& fileName) {
    const QFileInfo info(fileName);
    return info.exists() || info.isSymLink();
}

// The backup's file, or the one message that reports its failure.
Result<QString> Backup(const QString& fileName, const Outcome& written) {
    if (written)
        return fileName;
    return Outcome::Failure(QCoreApplication::translate(
                                "AutoBackup", "自动备份文件'%1'未能写入，记录仍在表格中，请另行保存。\n%2")
                                .arg(QDir::toNativeSeparators(fileName), written.reason()));
}

// Adds the record to the day's file as it lies on the disk.
Outcome AddToDayFile(const QString& fileName, const RecordGrid::Row& record) {
    if (Outcome made = MakeBackupFolder(); !made)
        return made;
    // A backup never writes through a link, to wherever it points.
    if (QFileInfo(fileName).isSymLink())
        return Outcome::Failure(
            QCoreApplication::translate("AutoBackup", "此名称是一个链接，备份不写入链接"));
    // The new record is added after the day's records as they lie in the file; they are never
    // read back as records. A file that is there but is no data file is left alone.
    QByteArray existing;
    if (QFileInfo::exists(fileName)) {
        if (const Result<DataFileRecords> old = ReadDataFile(fileName); !old)
            return old;
        QFile file(fileName);
        if (!file.open(QIODevice::ReadOnly))
            return Outcome::Failure(file.errorString());
        existing = file.readAll();
    }
    return WriteWholeFile(fileName, DataFileBytesWithRecord(existing, record));
}

} // namespace

QString BackupFolder() {
    return CurrentProgramPlaces().dataFolder + QLatin1Char('/') + kBackupFolderName;
}

Result<QString> BackUpUpload(const RecordGrid& grid, int recordCount, const QDateTime& when) {
    const QString stem = BackupFolder() + QStringLiteral("/上传 ") + FormatFileStamp(when);
    QString fileName = stem + QStringLiteral(".txt");
    for (int n = 2; Taken(fileName); ++n)
        fileName = stem + QStringLiteral(" (%1).txt").arg(n);
    Outcome written = MakeBackupFolder();
    if (written)
        written = WriteDataFile(fileName, grid, recordCount);
    return Backup(fileName, written);
}

Result<QString> BackUpTestRecord(const RecordGrid::Row& record, const QDateTime& when) {
    const QString fileName =
        BackupFolder() +
        QStringLiteral("/测试 %1.txt").arg(when.date().toString(QStringLiteral("yyyy-MM-dd")));
    return Backup(fileName, AddToDayFile(fileName, record));
}

void ReportBackupFailure(const Outcome& backup) {
    if (!backup)
        ShowMessage(backup.reason(), AppTitle(), MsgIcon::Warning);
}
