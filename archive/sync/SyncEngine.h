#pragma once
// One synchronisation of a laptop's archive with the team server, on the calling thread (a worker
// thread in the program; both connections are opened and closed inside run()).
//
// Records are values with an identity: the side that lacks one gets it, nothing is doubled.
// Register rows and rules carry their change time and laptop: the newest change wins on both
// sides, and a change of this laptop that another one overwrote is written to sync_log.
// Every step (a page of records, of register rows, of rules, up or down) is one transaction on
// each side, and the pull position moves with the rows it covers: a sync cut off anywhere leaves
// both sides consistent, the next one completes it, and a sync with nothing new changes nothing.
#include "archive/sync/ServerConfig.h"

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>

class QSqlDatabase;

struct SyncCounts {
    qint64 recordsUp = 0;
    qint64 recordsDown = 0;
    qint64 assetsUp = 0;
    qint64 assetsDown = 0;
    qint64 rulesUp = 0;
    qint64 rulesDown = 0;
    qint64 jobsUp = 0; // rows of jobs, their parts, instruments, intervals and the audit trail
    qint64 jobsDown = 0;
    qint64 overwritten = 0; // changes of this laptop that a newer change replaced
    qint64 refused = 0;     // rows the server refused: set aside, each written to sync_log
    qint64 removed = 0;     // records an owner removed from the server, removed here too
    bool recovered = false; // the server was another one, or had gone back: all sent and taken again
};

struct SyncReport {
    QString message; // for the user, in Chinese
    SyncCounts counts;
    bool readOnlyAccount = false; // the server let this user read only: nothing was pushed
};

// A finished sync, or why it stopped, by kind: Cancelled (between two steps, at the caller's
// request); Io or Missing (the local archive cannot be opened or written); Invalid (no server
// named); Unreachable, NeedsPassword, Refused (the login, a right, or a step the server refused
// for good); Incompatible (the server not set up, or set up by a newer program).
using SyncOutcome = Result<SyncReport>;

// A request to stop a running sync, from any thread: the sync ends after its current step, and a
// statement it waits on at the server (a lock) is cancelled there.
class SyncCancel {
public:
    SyncCancel() = default;
    SyncCancel(const SyncCancel&) = delete;
    SyncCancel& operator=(const SyncCancel&) = delete;
    ~SyncCancel() { detach(); }

    void request();
    bool requested() const { return m_requested.load(); }
    void reset() { m_requested = false; }

    // The server connection a request reaches while the sync runs (the sync's own thread).
    void attach(QSqlDatabase& server);
    void detach();

private:
    std::atomic_bool m_requested{false};
    std::mutex m_mutex;
    void* m_handle = nullptr; // libpq's cancel handle of the attached connection
};

class SyncEngine {
public:
    // Rows per step (one transaction on each side).
    static constexpr int kPageRows = 5000;
    // Pulled record pages per local transaction.
    static constexpr int kPagesPerCommit = 10;
    using Progress = std::function<void(qint64 done, qint64 total)>;

    SyncEngine(QString archivePath, ServerConfig server);
    SyncOutcome run(const Progress& progress = {}, SyncCancel* cancel = nullptr);
    void setPageRows(int rows) { m_pageRows = rows; }

private:
    QString m_archivePath;
    ServerConfig m_server;
    int m_pageRows = kPageRows;
};
