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
    QString fileName() const;
    // Stores the records; a failure is told once per run.
    void store(std::vector<TestRecord> records, const QString& source);
    // Grid rows first..last as records.
    void storeRows(const RecordGrid& grid, int first, int last, const QString& source);
    // The register holds the limits: the device's limit there, if the archive can be read.
    std::optional<double> registerLimit(const QString& device);
    // Sets or clears the device's limit in the register; false, and the user told why, when the
    // archive cannot take it.
    bool setRegisterLimit(const QString& device, std::optional<double> microOhms);
    // Moves the limits that the settings file held before the register into it, once.
    void moveSettingsLimits();
    // Tells the archive's problem once per run (nothing when it works).
    void tellProblemOnce();
    // The files of the data folder the last look at it skipped, below the data folder, with why.
    QStringList skippedFiles() const { return m_skipped; }
    void setSkippedFiles(const QStringList& files) { m_skipped = files; }
    // Closes the archive; the next use opens it again (tests, a changed data folder).
    void reset();

signals:
    void recordsStored(const QString& source); // "upload", "live", or "import"
    void registerChanged();

private:
    ProgramArchive() = default;
    std::unique_ptr<RecordArchive> m_archive;
    std::vector<std::pair<TestRecord, QString>> m_pending; // not stored yet, with their sources
    QStringList m_skipped;
    bool m_told = false;
};

// The hooks of the instrument flows: one line each.
void ArchiveUpload(const RecordGrid& grid, int recordCount);
void ArchiveTestRecord(const TestRecord& record);
