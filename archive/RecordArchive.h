#pragma once
// The record archive: one SQLite file (Qt SQL) that keeps every record the program has met, as
// values beside its display texts, with the asset register and the assessment rules. Write-ahead
// logging and one transaction per store, so a record once stored survives a crash or a power cut.
//
// The archive never damages what it finds: a file that is not an archive of ours (or is
// corrupted) is not written to at all, an archive made by a newer program is opened read-only,
// and an archive that cannot be written (locked, read-only, disk full) keeps what it holds.
// Each instance has its own connection, so a worker thread opens an instance of its own.
#include "archive/ArchiveSql.h"
#include "core/Outcome.h"
#include "core/TestRecord.h"

#include <QString>
#include <QVariant>
#include <memory>
#include <optional>
#include <vector>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

// A record's column values as the archive keeps them, worked out before the store (on any thread:
// an import reads and prepares files while the previous ones are being stored).
struct ArchiveRow {
    std::vector<QVariant> values; // id .. raw_reply, in the order of the insert's columns
};

inline const QString kArchiveFileName = QStringLiteral("记录库.sqlite");
inline constexpr int kArchiveSchemaVersion = 5;

enum class ArchiveOpening { Write, ReadOnly, AsItIs };

enum class ArchiveState {
    Closed,
    Open,        // read and write
    ReadOnly,    // readable; made by a newer program, or the caller asked for reading only
    Unavailable, // cannot be used at all; failure() says why
};

// What stands in the way of the archive, as far as it decides what to do about it: None, Busy,
// NoPermission, DiskFull, Io, Damaged, Foreign, Newer or Missing.
using ArchiveFault = FailureKind;

// A passing fault: the next store opens the archive again and tries.
bool ArchiveFaultPasses(ArchiveFault fault);
// The archive's file itself is unusable; it may be set aside for a new one.
bool ArchiveFaultIsFileDamage(ArchiveFault fault);

class RecordArchive {
public:
    RecordArchive();
    ~RecordArchive();
    RecordArchive(const RecordArchive&) = delete;
    RecordArchive& operator=(const RecordArchive&) = delete;

    // Opens the archive file: to write, creating it and upgrading an older one; to read only; or to
    // write as it is, neither created nor upgraded (the sync takes an archive as it finds it, and an
    // older one lacks tables the sync then leaves alone).
    ArchiveState open(const QString& fileName, ArchiveOpening how = ArchiveOpening::Write);
    void close();
    ArchiveState state() const { return m_state; }
    bool readable() const { return m_state == ArchiveState::Open || m_state == ArchiveState::ReadOnly; }
    bool writable() const { return m_state == ArchiveState::Open; }
    ArchiveFault fault() const { return m_fault; }
    // Why the archive is read-only or unavailable, or why the last write failed: a failure (its
    // kind the fault, SQLite's text the detail) while there is a problem, success otherwise.
    Outcome failure() const;
    // Why a write just failed: failure(), or a general "cannot be written" when it names nothing.
    Outcome writeFailure() const;
    QString fileName() const { return m_fileName; }
    int schemaVersion() const { return m_schemaVersion; }
    QString laptopId() const { return m_laptopId; }
    // A statement of the archive prepared on this instance's connection, forward only: the one way
    // the program runs a statement on its archive. One that does not prepare (a damaged or locked
    // file) holds the reason in lastError() until its exec(), which then fails.
    // The archive library alone links Qt SQL, so no other library can run a statement at all.
    QSqlQuery statement(ArchiveSql id) const;

    // Stores the records not yet there (by identity) in one transaction; blank rows are skipped.
    // The number added, or the archive's failure when nothing could be written.
    Result<int> store(const std::vector<TestRecord>& records, const QString& source);

    // Runs fn inside one write transaction; false (rolled back) when fn returns false or the
    // commit fails. Used by the import to store many files per commit.
    template <class Fn> bool inTransaction(Fn&& fn);
    bool begin();
    bool commit();
    void rollback();
    // Stores without a transaction of its own (inside begin/commit); -1 on failure.
    int storeInOpenTransaction(const std::vector<TestRecord>& records, const QString& source);
    int storeInOpenTransaction(const std::vector<ArchiveRow>& rows, const QString& source);
    // The rows of the records that are not blank.
    static std::vector<ArchiveRow> Rows(const std::vector<TestRecord>& records);

    // UTC ISO 8601 with milliseconds, as changed_at and added_at hold it.
    static QString NowText();
    // The record count, or -1 when unreadable.
    qint64 recordCount() const;
    // A one-time step of this archive (a key of its meta table): done, not done, or unreadable.
    std::optional<bool> stepDone(const QString& key) const;
    bool markStepDone(const QString& key);
    // PRAGMA quick_check (or integrity_check when thorough): "ok" or the findings.
    QString check(bool thorough) const;

    // Moves a damaged archive file (with its -wal and -shm) aside under a new name in its folder, so
    // that a new archive can take its place; the new name of the file. No connection may be open.
    static Result<QString> SetAside(const QString& fileName);

private:
    ArchiveState fail(const QString& problem, ArchiveFault fault, const QString& detail = {});
    // A statement failed: the fault and the user's wording from SQLite's code; damage closes.
    void noteFailure(const QSqlError& error);
    bool repairSideFiles();
    bool checkIntegrity();
    bool createOrUpgrade();
    bool runScript(const QString& resource);
    QSqlDatabase connection() const;
    // Runs a statement that returns no rows: its error (the prepare's when it did not prepare), or
    // an invalid one on success.
    QSqlError run(ArchiveSql id) const;
    bool readMeta();

    QString m_connection;
    QString m_fileName;
    ArchiveState m_state = ArchiveState::Closed;
    QString m_problem;
    ArchiveFault m_fault = ArchiveFault::None;
    QString m_detail; // the library's own text behind m_problem
    int m_schemaVersion = 0;
    QString m_laptopId;
    std::unique_ptr<QSqlQuery> m_insert; // prepared once per connection
};

template <class Fn> bool RecordArchive::inTransaction(Fn&& fn) {
    if (!begin())
        return false;
    if (!fn()) {
        rollback();
        return false;
    }
    return commit();
}

// The texts of the user's messages about the archive: a passing fault is told as one.
QString ArchiveProblemMessage(const QString& problem, ArchiveFault fault = ArchiveFault::Busy);
