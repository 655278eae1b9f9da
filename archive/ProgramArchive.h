#pragma once
// The program's record archive for its run: the file "记录库.sqlite" in the data folder, opened on
// first use. Everything the program receives is stored here in one short transaction; when the
// archive cannot be opened or written that is said once by troubleFound, and every other function
// goes on as before. Records that could not be stored are kept and tried again with the next
// store, and the automatic backups bring them in at the next import as well. It shows nothing
// itself: the windows' side (ArchivePrompts) tells the user and asks.
#include "archive/RecordArchive.h"
#include "core/Outcome.h"
#include "core/TestRecord.h"

#include <QObject>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

class ProgramArchive : public QObject {
    Q_OBJECT
public:
    static ProgramArchive& shared();

    // The archive, opened (or tried) on first use; see RecordArchive::state().
    RecordArchive& archive();
    // The archive when its file exists already (it is not created just to be looked at).
    RecordArchive* existingArchive();
    // The archive for a write: opened again first when what kept it from writing may have passed.
    RecordArchive& writableArchive();
    QString fileName() const;
    // Stores the records; a failure is told once per run.
    void store(std::vector<TestRecord> records, const QString& source);
    // A test's record as the live test made it.
    void storeLive(const TestRecord& record);

    // An upload begins; its records come one by one as the link decodes them, and each time
    // kUploadSlice more have come the ones not stored yet go in, so that a crash or a kill part-way
    // keeps them. Quiet: a problem is told once the upload has ended.
    void uploadStarted();
    void uploadReceived(const TestRecord& record);
    // The upload has ended with `received` records (the first ones given): those not stored yet go
    // in, and no more.
    void uploadEnded(int received);
    static constexpr int kUploadSlice = 32;

    // The register holds the limits: the device's limit there as its exact text, or "".
    QString registerLimit(const QString& device);
    // Sets the device's limit in the register to the text typed (as typed), or clears it with "";
    // a failure says why in words the message box can show: of kind Invalid, in the register's own
    // words, when the register does not take the text as a limit.
    Outcome setRegisterLimit(const QString& device, const QString& limit);
    // Moves the limits that the settings file held before the register into it, once.
    void moveSettingsLimits(const std::vector<std::pair<QString, QString>>& limits);

    // Says the archive's problem once (until a store succeeds again) by troubleFound.
    void tellProblemOnce();
    // The damaged file is set aside under a new name and a new archive takes its place, with what
    // the damaged register still gives back and the records that waited: the name set aside, or
    // the failure in words the message box can show. The data folder's records are the caller's.
    Result<QString> setAsideDamaged();

    // The files of the data folder the last look at it skipped, below the data folder, with why.
    QStringList skippedFiles() const { return m_skipped; }
    void setSkippedFiles(const QStringList& files) { m_skipped = files; }
    // Closes the archive; the next use opens it again (tests, a changed data folder).
    void reset();

signals:
    void recordsStored(const QString& source); // "upload", "live", or "import"
    void registerChanged();
    void jobsChanged(); // a job, its records or the current job changed
    // The archive cannot be opened or written: the message for the user, and whether the file is
    // damaged so that a new archive may be offered in its place (setAsideDamaged).
    void troubleFound(const QString& message, bool offerNewArchive);

private:
    ProgramArchive() = default;
    bool storePending();
    // Uploaded and live records of the current job's assets join it.
    void joinCurrentJob(RecordArchive& opened, const std::vector<TestRecord>& records);
    std::unique_ptr<RecordArchive> m_archive;
    std::vector<std::pair<TestRecord, QString>> m_pending; // not stored yet, with their sources
    QStringList m_skipped;
    bool m_told = false;
    std::vector<TestRecord> m_upload; // records of the upload under way not stored yet
    int m_uploadStored = 0;           // records of the upload under way already stored
};
