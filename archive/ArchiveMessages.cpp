#include "archive/ArchiveMessages.h"

#include "archive/RecordArchive.h"

#include <QCoreApplication>

namespace ArchiveMessages {

// ---- The archive file and SQLite ----

QString ArchiveBusy(const QString& detail) {
    return QCoreApplication::translate("RecordArchive", "另一个程序正在写入记录库，稍后会再试（%1）。")
        .arg(detail);
}

QString ArchiveFilesNotWritable(const QString& detail) {
    return QCoreApplication::translate("RecordArchive", "记录库的文件不允许写入（%1）。").arg(detail);
}

QString ArchiveNoWriteRight(const QStringList& files, const QString& detail) {
    return QCoreApplication::translate("RecordArchive", "没有写入“%1”的权限，请给它写权限（%2）。")
        .arg(files.join(QCoreApplication::translate("RecordArchive", "”、“")), detail);
}

QString ArchiveDiskFull(const QString& detail) {
    return QCoreApplication::translate("RecordArchive",
                                       "磁盘已满，记录没有存入；腾出空间后，下一次存入时会再试（%1）。")
        .arg(detail);
}

QString ArchiveIoError(const QString& detail) {
    return QCoreApplication::translate("RecordArchive", "读写记录库的文件时出错，下一次存入时会再试（%1）。")
        .arg(detail);
}

QString ArchiveDamaged(const QString& detail) {
    return QCoreApplication::translate("RecordArchive", "记录库文件已损坏，程序不会再写入它（%1）。")
        .arg(detail);
}

QString ArchiveForeignOrDamaged(const QString& detail) {
    return QCoreApplication::translate("RecordArchive", "文件已损坏或不是记录库，程序不会改动它（%1）。")
        .arg(detail);
}

QString ArchiveNotWritable(const QString& detail) {
    return QCoreApplication::translate("RecordArchive", "记录库不能写入（%1）。").arg(detail);
}

QString ArchiveNotWritable() {
    return QCoreApplication::translate("RecordArchive", "记录库不能写入。");
}

QString SideFileNoWriteRight(const QString& path) {
    return QCoreApplication::translate("RecordArchive",
                                       "没有写入“%1”的权限：请给它写权限，或在没有程序使用记录库时删除它。")
        .arg(path);
}

QString CannotRename(const QString& from, const QString& to, const QString& detail) {
    return QCoreApplication::translate("RecordArchive", "不能把“%1”改名为“%2”（%3）。").arg(from, to, detail);
}

QString NotARegularFile(const QString& fileName) {
    return QCoreApplication::translate("RecordArchive", "“%1”不是普通文件。").arg(fileName);
}

QString NoReadRight(const QString& path) {
    return QCoreApplication::translate("RecordArchive", "没有读取“%1”的权限。").arg(path);
}

QString ReadOnlyFile(const QString& path) {
    return QCoreApplication::translate(
               "RecordArchive",
               "没有写入“%1”的权限（文件只读），新的记录不会存入；给它写权限后，下一次存入时会再试。")
        .arg(path);
}

QString ArchiveNotCreated() {
    return QCoreApplication::translate("RecordArchive", "记录库尚未建立。");
}

QString ArchiveNewer() {
    return QCoreApplication::translate("RecordArchive",
                                       "记录库由较新版本的程序建立，本程序只读取其中的记录，不会改动它。");
}

QString ArchiveEmpty() {
    return QCoreApplication::translate("RecordArchive", "记录库是空的。");
}

QString ArchiveNotOurs() {
    return QCoreApplication::translate("RecordArchive", "文件不是本程序的记录库，程序不会改动它。");
}

QString CannotCreateOrUpgrade(const QString& detail) {
    return QCoreApplication::translate("RecordArchive", "无法建立或升级记录库（%1）。").arg(detail);
}

QString ArchiveUnusable(const QString& problem, bool passes) {
    const QString goesOn = QCoreApplication::translate(
        "RecordArchive", "测试、上传、保存、打开和打印照常工作，自动备份文件照常写入。");
    if (passes)
        return QCoreApplication::translate("RecordArchive", "记录库（%1）暂时不能使用：%2\n\n%3")
            .arg(kArchiveFileName, problem, goesOn);
    return QCoreApplication::translate("RecordArchive", "记录库（%1）不能使用：%2\n\n%3")
        .arg(kArchiveFileName, problem, goesOn);
}

QString ArchiveNotRebuilt(const QString& reason) {
    return QCoreApplication::translate("ProgramArchive", "记录库没有重建：%1").arg(reason);
}

// ---- Test jobs ----

QString JobNumberEmpty() {
    return QCoreApplication::translate("TestJobs", "任务编号不能为空。");
}

QString JobKindNotKnown(const QString& kind, const QStringList& kinds) {
    return QCoreApplication::translate("TestJobs", "试验性质“%1”应为%2之一。")
        .arg(kind, kinds.join(QCoreApplication::translate("TestJobs", "、")));
}

QString TemperatureOutOfRange(const QString& text) {
    return QCoreApplication::translate("TestJobs", "温度“%1”应为 −50 到 60 °C 之间的数。").arg(text);
}

QString HumidityOutOfRange(const QString& text) {
    return QCoreApplication::translate("TestJobs", "湿度“%1”应为 0 到 100 % 之间的数。").arg(text);
}

QString DaysReversed(const QString& last, const QString& first) {
    return QCoreApplication::translate("TestJobs", "结束日期（%1）早于开始日期（%2）。").arg(last, first);
}

QString JobApprovedLocked(const QString& detail) {
    return QCoreApplication::translate("TestJobs", "任务已批准，不能修改；更正请建立新的版本（%1）。")
        .arg(detail);
}

QString JobNotDraft(const QString& detail) {
    return QCoreApplication::translate("TestJobs", "任务已提交审核或已批准，不能修改（%1）。").arg(detail);
}

QString JobArchiveNotWritable(const QString& detail) {
    return QCoreApplication::translate("TestJobs", "记录库不能写入（%1）。").arg(detail);
}

QString SignatureEmpty() {
    return QCoreApplication::translate("TestJobs", "签名不能为空。");
}

QString JobsUnreadable(const QString& detail) {
    return QCoreApplication::translate("TestJobs", "读不出试验任务（%1）。").arg(detail);
}

QString JobNotFound() {
    return QCoreApplication::translate("TestJobs", "记录库中没有这个试验任务。");
}

QString JobNumberUsed(const QString& number) {
    return QCoreApplication::translate("TestJobs", "任务编号“%1”已被另一个任务使用。").arg(number);
}

QString JobStateForbidsChange(const QString& number, const QString& state) {
    return QCoreApplication::translate("TestJobs", "任务“%1”%2，不能修改。").arg(number, state);
}

QString JobRecordsUnreadable(const QString& detail) {
    return QCoreApplication::translate("TestJobs", "读不出试验任务的记录（%1）。").arg(detail);
}

QString SignatureFirst() {
    return QCoreApplication::translate("TestJobs", "请先填写本机签名。");
}

QString JobStateForbidsStep(const QString& title, const QString& state, const char* step) {
    return QCoreApplication::translate("TestJobs", "任务“%1”%2，不能%3。")
        .arg(title, state, QCoreApplication::translate("TestJobs", step));
}

QString ConfirmExpiredFirst(const QString& warning) {
    return warning + QCoreApplication::translate("TestJobs", "确认继续后才能提交审核。");
}

QString CheckerIsRecorder(const QString& recorder) {
    return QCoreApplication::translate("TestJobs", "审核人不能是编制人（%1）。").arg(recorder);
}

QString ApproverIsRecorder(const QString& recorder) {
    return QCoreApplication::translate("TestJobs", "批准人不能是编制人（%1）。").arg(recorder);
}

QString JobNotChecked(const QString& title) {
    return QCoreApplication::translate("TestJobs", "任务“%1”尚未审核，不能批准。").arg(title);
}

QString SendBackWithoutReason() {
    return QCoreApplication::translate("TestJobs", "退回时请写明原因。");
}

QString ReviseOnlyApproved() {
    return QCoreApplication::translate("TestJobs", "只有已批准的任务才建立新的版本。");
}

QString ReviseWithoutNote() {
    return QCoreApplication::translate("TestJobs", "新的版本请写明更正了什么。");
}

QString InstrumentsUnreadable(const QString& detail) {
    return QCoreApplication::translate("TestJobs", "读不出仪器台账（%1）。").arg(detail);
}

QString InstrumentSerialEmpty() {
    return QCoreApplication::translate("TestJobs", "仪器的出厂编号不能为空。");
}

QString ValidBeforeCalibrated(const QString& validUntil, const QString& calibratedOn) {
    return QCoreApplication::translate("TestJobs", "有效期（%1）早于校准日期（%2）。")
        .arg(validUntil, calibratedOn);
}

QString InstrumentSerialUsed(const QString& serial) {
    return QCoreApplication::translate("TestJobs", "出厂编号“%1”已在仪器台账中。").arg(serial);
}

QString NoCurrentJob() {
    return QCoreApplication::translate("TestJobs", "没有当前任务。");
}

QString AuditUnreadable(const QString& detail) {
    return QCoreApplication::translate("TestJobs", "读不出修改记录（%1）。").arg(detail);
}

QString AssetKindNotKnown(const QString& kind, const QStringList& kinds) {
    return QCoreApplication::translate("TestJobs", "类型“%1”应为%2之一。")
        .arg(kind, kinds.join(QCoreApplication::translate("TestJobs", "、")));
}

QString IntervalForAllEmpty() {
    return QCoreApplication::translate("TestJobs", "全部设备的试验周期不能为空。");
}

QString IntervalOutOfRange(int months) {
    return QCoreApplication::translate("TestJobs", "试验周期“%1”应为 1 到 240 个月。").arg(months);
}

QString TestDatesUnreadable(const QString& detail) {
    return QCoreApplication::translate("TestJobs", "读不出设备的试验日期（%1）。").arg(detail);
}

// ---- The job file ----

QString JobFileJobUnreadable(const QString& detail) {
    return QCoreApplication::translate("JobExchange", "读不出试验任务（%1）。").arg(detail);
}

QString JobFileRecordsUnreadable(const QString& detail) {
    return QCoreApplication::translate("JobExchange", "读不出试验任务的记录（%1）。").arg(detail);
}

QString JobFileNotWritable(const QString& path, const QString& detail) {
    return QCoreApplication::translate("JobExchange", "文件“%1”不能写入（%2）。").arg(path, detail);
}

QString JobFileNotReadable(const QString& path, const QString& detail) {
    return QCoreApplication::translate("JobExchange", "文件“%1”不能读取（%2）。").arg(path, detail);
}

QString NotAJobFile(const QString& detail, qint64 offset) {
    return QCoreApplication::translate("JobExchange", "不是试验任务文件（%1，第 %2 字节）。")
        .arg(detail)
        .arg(offset);
}

QString NotAJobFileFormat(const QString& format) {
    return QCoreApplication::translate("JobExchange", "不是试验任务文件（format 不是“%1”）。").arg(format);
}

QString JobFileVersion(int version, int readable) {
    return QCoreApplication::translate("JobExchange", "试验任务文件的版本 %1 不能读取（本程序读取版本 %2）。")
        .arg(version)
        .arg(readable);
}

QString JobFileLacksJob() {
    return QCoreApplication::translate("JobExchange", "试验任务文件缺少任务的标识、编号或状态。");
}

QString JobFileAssetWrong(const QString& reason) {
    return QCoreApplication::translate("JobExchange", "试验任务文件中的设备台账有误：%1").arg(reason);
}

QString JobFileRecordWithoutIdentity() {
    return QCoreApplication::translate("JobExchange", "试验任务文件中有缺少标识的记录。");
}

QString JobFileNumberUsedHere(const QString& number) {
    return QCoreApplication::translate("JobExchange", "任务编号“%1”已被本机另一个任务使用。").arg(number);
}

QString JobFileArchiveNotWritable(const QString& detail) {
    return QCoreApplication::translate("JobExchange", "记录库不能写入（%1）。").arg(detail);
}

QString JobFileAssetsNotWritten(const QString& reason) {
    return QCoreApplication::translate("JobExchange", "任务已导入，设备台账未能写入：%1").arg(reason);
}

// ---- Table files ----

QString TableFileNotWritable(const QString& detail) {
    return QCoreApplication::translate("TableFile", "无法写入文件（%1）").arg(detail);
}

QString WorkbookNotCreated() {
    return QCoreApplication::translate("TableFile", "无法建立工作簿");
}

QString WorkbookUnfinished(const QString& detail) {
    return QCoreApplication::translate("TableFile", "工作簿未能写完（%1）").arg(detail);
}

QString TableFileNotRenamed(const QString& fileName) {
    return QCoreApplication::translate("TableFile", "无法写入“%1”").arg(fileName);
}

// ---- The import's file problems ----

QString ImportCancelled() {
    return QCoreApplication::translate("ArchiveImport", "导入已取消，未读完");
}

QString ImportFifo() {
    return QCoreApplication::translate("ArchiveImport", "是命名管道，不是文件，未读取");
}

QString ImportDevice() {
    return QCoreApplication::translate("ArchiveImport", "是设备文件，未读取");
}

QString ImportSocket() {
    return QCoreApplication::translate("ArchiveImport", "是套接字，未读取");
}

QString ImportNotRegular() {
    return QCoreApplication::translate("ArchiveImport", "不是普通文件，未读取");
}

QString ImportTooManyFiles(int maximum) {
    return QCoreApplication::translate("ArchiveImport", "文件数超过 %1，未读取").arg(maximum);
}

QString ImportInaccessible(const QString& detail) {
    return QCoreApplication::translate("ArchiveImport", "无法访问（%1）").arg(detail);
}

QString ImportBrokenLink() {
    return QCoreApplication::translate("ArchiveImport", "链接断开或成环，未跟随");
}

QString ImportLinkOutside() {
    return QCoreApplication::translate("ArchiveImport", "链接指向文件夹之外，未读取");
}

QString ImportLinkToFolder() {
    return QCoreApplication::translate("ArchiveImport", "链接指向文件夹，未跟随");
}

QString ImportOutside() {
    return QCoreApplication::translate("ArchiveImport", "位于文件夹之外，未读取");
}

QString ImportFolderTooDeep() {
    return QCoreApplication::translate("ArchiveImport", "文件夹层次过深或重复，未进入");
}

QString ImportFolderUnreadable() {
    return QCoreApplication::translate("ArchiveImport", "文件夹无法读取");
}

QString ImportNotADataFile(const QString& detail) {
    return QCoreApplication::translate("ArchiveImport", "不是可读的数据文件或工作簿（%1）").arg(detail);
}

QString ImportCannotOpen(const QString& detail) {
    return QCoreApplication::translate("ArchiveImport", "无法打开（%1）").arg(detail);
}

QString ImportTooLarge(qint64 megabytes) {
    return QCoreApplication::translate("ArchiveImport", "文件过大（%1 MB），不是测试记录，未读取")
        .arg(megabytes);
}

QString ImportLockedByWriter() {
    return QCoreApplication::translate("ArchiveImport", "文件正被其他程序写入，下次再导入");
}

QString ImportStillWritten() {
    return QCoreApplication::translate("ArchiveImport", "文件正在写入，下次再导入");
}

QString ImportChangedWhileRead() {
    return QCoreApplication::translate("ArchiveImport", "文件在读取时被改动，下次再导入");
}

QString ImportRecordRefused(int number, const QString& why) {
    return QCoreApplication::translate("ArchiveImport", "第 %1 条记录未导入：%2").arg(number).arg(why);
}

// ---- The asset register's refusals ----

QString NotADecimal(const QString& what, const QString& text) {
    return QCoreApplication::translate("AssetRegister", "%1“%2”不是普通的十进制数").arg(what, text);
}

QString NotPositive(const QString& what, const QString& text) {
    return QCoreApplication::translate("AssetRegister", "%1“%2”应大于 0").arg(what, text);
}

QString AboveMaximum(const QString& what, const QString& text, const QString& maximum) {
    return QCoreApplication::translate("AssetRegister", "%1“%2”超过 %3").arg(what, text, maximum);
}

QString AssetDeviceEmpty() {
    return QCoreApplication::translate("AssetRegister", "设备编号为空");
}

QString PhaseNotKnown(const QString& phase) {
    return QCoreApplication::translate("AssetRegister", "相别“%1”应为 A、B、C 或空").arg(phase);
}

QString AssetKindNotKnownOrEmpty(const QString& kind, const QStringList& kinds) {
    return QCoreApplication::translate("AssetRegister", "类型“%1”应为%2之一或空")
        .arg(kind, kinds.join(QCoreApplication::translate("AssetRegister", "、")));
}

QString AssetRefused(const QString& device, const QString& reason) {
    return QCoreApplication::translate("AssetRegister", "设备“%1”：%2").arg(device, reason);
}

QString RegisterUnreadable(const QString& fileName, const QString& reason) {
    return QCoreApplication::translate("AssetRegister", "无法读取“%1”：%2").arg(fileName, reason);
}

QString RegisterHeaderUnknown(const QString& fileName, const QString& header) {
    return QCoreApplication::translate("AssetRegister", "“%1”不是设备台账：表头“%2”不是台账的列")
        .arg(fileName, header);
}

QString RegisterHeaderTwice(const QString& fileName, const QString& header) {
    return QCoreApplication::translate("AssetRegister", "“%1”的表头“%2”出现了两次").arg(fileName, header);
}

QString RegisterHeaderMissing(const QString& fileName, const QString& header) {
    return QCoreApplication::translate("AssetRegister", "“%1”不是设备台账：表头缺少“%2”")
        .arg(fileName, header);
}

QString RegisterTooManyRows(const QString& fileName, int maximum) {
    return QCoreApplication::translate("AssetRegister", "“%1”的行数超过 %2").arg(fileName).arg(maximum);
}

QString RegisterRowRefused(int row, const QString& reason) {
    return QCoreApplication::translate("AssetRegister", "第 %1 行：%2").arg(row).arg(reason);
}

} // namespace ArchiveMessages
