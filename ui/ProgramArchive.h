#pragma once
// The program's record archive for its run: the file "记录库.sqlite" in the data folder, opened on
// first use. Everything the program receives is stored here in one short transaction; when the
// archive cannot be opened or written the user is told once, in Chinese, and every other
// function goes on as before. Records that could not be stored are kept and tried again with the
// next store, and the automatic backups bring them in at the next import as well.
#include "archive/RecordArchive.h"
#include "core/RecordGrid.h"

#include <QObject>
#include <memory>
#include <optional>
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
    // Grid rows first..last as records.
    void storeRows(const RecordGrid& grid, int first, int last, const QString& source);
    // An upload's record `row` is in the grid (rows 1..row are): the rows not stored yet go in
    // each time kUploadSlice more have come, so that a crash or a kill part-way keeps them. Quiet:
    // a problem is told once the upload has ended.
    void uploadReceived(const RecordGrid& grid, int row);
    // The upload has ended with rows 1..last: the rows not stored yet go in.
    void uploadEnded(const RecordGrid& grid, int last);
    static constexpr int kUploadSlice = 32;
    // The register holds the limits: the device's limit there as its exact text, or "".
    QString registerLimit(const QString& device);
    // Sets the device's limit in the register to the text typed (as typed), or clears it with "";
    // false, and the user told why (the register's own words for a refused number).
    bool setRegisterLimit(const QString& device, const QString& limit);
    // Moves the limits that the settings file held before the register into it, once.
    void moveSettingsLimits();
    // Tells the archive's problem once (until a store succeeds again); a damaged file is offered to
    // be set aside for a new archive that takes the data folder's records.
    void tellProblemOnce();
    // The files of the data folder the last look at it skipped, below the data folder, with why.
    QStringList skippedFiles() const { return m_skipped; }
    void setSkippedFiles(const QStringList& files) { m_skipped = files; }
    // Closes the archive; the next use opens it again (tests, a changed data folder).
    void reset();

signals:
    void recordsStored(const QString& source); // "upload", "live", or "import"
    void registerChanged();
    void jobsChanged(); // a job, its records or the current job changed

private:
    ProgramArchive() = default;
    bool storePending();
    // Uploaded and live records of the current job's assets join it.
    void joinCurrentJob(RecordArchive& opened, const std::vector<TestRecord>& records);
    void rebuild();
    std::unique_ptr<RecordArchive> m_archive;
    std::vector<std::pair<TestRecord, QString>> m_pending; // not stored yet, with their sources
    QStringList m_skipped;
    bool m_told = false;
    int m_uploadStored = 0; // rows of the upload under way already stored
};

// The hooks of the instrument flows: one line each.
void ArchiveUploadReceived(const RecordGrid& grid, int row);
void ArchiveUpload(const RecordGrid& grid, int recordCount);
void ArchiveTestRecord(const TestRecord& record);
