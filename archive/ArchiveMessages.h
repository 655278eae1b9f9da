#pragma once
// The archive library's words for what went wrong, in one place: Chinese (English through the
// translation), with SQLite's or the system's text only as a detail after them. Each wording keeps
// the translation context of the part it speaks for (RecordArchive, TestJobs, JobExchange, ...).
#include <QString>
#include <QStringList>

namespace ArchiveMessages {

// The archive file and SQLite.
QString ArchiveBusy(const QString& detail);
QString ArchiveFilesNotWritable(const QString& detail);
QString ArchiveNoWriteRight(const QStringList& files, const QString& detail);
QString ArchiveDiskFull(const QString& detail);
QString ArchiveIoError(const QString& detail);
QString ArchiveDamaged(const QString& detail);
QString ArchiveForeignOrDamaged(const QString& detail);
QString ArchiveNotWritable(const QString& detail);
QString ArchiveNotWritable();
QString SideFileNoWriteRight(const QString& path);
QString CannotRename(const QString& from, const QString& to, const QString& detail);
QString NotARegularFile(const QString& fileName);
QString NoReadRight(const QString& path);
QString ReadOnlyFile(const QString& path);
QString ArchiveNotCreated();
QString ArchiveNewer();
QString ArchiveEmpty();
QString ArchiveNotOurs();
QString CannotCreateOrUpgrade(const QString& detail);
// The message box's text: a passing fault is told as one.
QString ArchiveUnusable(const QString& problem, bool passes);
QString ArchiveNotRebuilt(const QString& reason);

// Test jobs.
QString JobNumberEmpty();
QString JobKindNotKnown(const QString& kind, const QStringList& kinds);
QString TemperatureOutOfRange(const QString& text);
QString HumidityOutOfRange(const QString& text);
QString DaysReversed(const QString& last, const QString& first);
QString JobApprovedLocked(const QString& detail);
QString JobNotDraft(const QString& detail);
QString JobArchiveNotWritable(const QString& detail);
QString SignatureEmpty();
QString JobsUnreadable(const QString& detail);
QString JobNotFound();
QString JobNumberUsed(const QString& number);
QString JobStateForbidsChange(const QString& number, const QString& state);
QString JobRecordsUnreadable(const QString& detail);
QString SignatureFirst();
QString JobStateForbidsStep(const QString& title, const QString& state, const char* step);
QString ConfirmExpiredFirst(const QString& warning);
QString CheckerIsRecorder(const QString& recorder);
QString ApproverIsRecorder(const QString& recorder);
QString JobNotChecked(const QString& title);
QString SendBackWithoutReason();
QString ReviseOnlyApproved();
QString ReviseWithoutNote();
QString InstrumentsUnreadable(const QString& detail);
QString InstrumentSerialEmpty();
QString ValidBeforeCalibrated(const QString& validUntil, const QString& calibratedOn);
QString InstrumentSerialUsed(const QString& serial);
QString NoCurrentJob();
QString AuditUnreadable(const QString& detail);
QString AssetKindNotKnown(const QString& kind, const QStringList& kinds);
QString IntervalForAllEmpty();
QString IntervalOutOfRange(int months);
QString TestDatesUnreadable(const QString& detail);

// The job file.
QString JobFileJobUnreadable(const QString& detail);
QString JobFileRecordsUnreadable(const QString& detail);
QString JobFileNotWritable(const QString& path, const QString& detail);
QString JobFileNotReadable(const QString& path, const QString& detail);
QString NotAJobFile(const QString& detail, qint64 offset);
QString NotAJobFileFormat(const QString& format);
QString JobFileVersion(int version, int readable);
QString JobFileLacksJob();
QString JobFileAssetWrong(const QString& reason);
QString JobFileRecordWithoutIdentity();
QString JobFileNumberUsedHere(const QString& number);
QString JobFileArchiveNotWritable(const QString& detail);
QString JobFileAssetsNotWritten(const QString& reason);

// Table files (.xlsx, .csv).
QString TableFileNotWritable(const QString& detail);
QString WorkbookNotCreated();
QString WorkbookUnfinished(const QString& detail);
QString TableFileNotRenamed(const QString& fileName);

// The import's file problems.
QString ImportCancelled();
QString ImportFifo();
QString ImportDevice();
QString ImportSocket();
QString ImportNotRegular();
QString ImportTooManyFiles(int maximum);
QString ImportInaccessible(const QString& detail);
QString ImportBrokenLink();
QString ImportLinkOutside();
QString ImportLinkToFolder();
QString ImportOutside();
QString ImportFolderTooDeep();
QString ImportFolderUnreadable();
QString ImportNotADataFile(const QString& detail);
QString ImportCannotOpen(const QString& detail);
QString ImportTooLarge(qint64 megabytes);
QString ImportLockedByWriter();
QString ImportStillWritten();
QString ImportChangedWhileRead();
QString ImportRecordRefused(int number, const QString& why);

// The asset register's refusals.
QString NotADecimal(const QString& what, const QString& text);
QString NotPositive(const QString& what, const QString& text);
QString AboveMaximum(const QString& what, const QString& text, const QString& maximum);
QString AssetDeviceEmpty();
QString PhaseNotKnown(const QString& phase);
QString AssetKindNotKnownOrEmpty(const QString& kind, const QStringList& kinds);
QString AssetRefused(const QString& device, const QString& reason);
QString RegisterUnreadable(const QString& fileName, const QString& reason);
QString RegisterHeaderUnknown(const QString& fileName, const QString& header);
QString RegisterHeaderTwice(const QString& fileName, const QString& header);
QString RegisterHeaderMissing(const QString& fileName, const QString& header);
QString RegisterTooManyRows(const QString& fileName, int maximum);
QString RegisterRowRefused(int row, const QString& reason);

} // namespace ArchiveMessages
