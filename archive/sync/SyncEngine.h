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

enum class SyncStatus {
    Done,
    Cancelled,     // stopped between two steps at the caller's request
    ArchiveError,  // the local archive cannot be opened or written
    ConnectFailed, // the server cannot be reached, or refused the login
    Incompatible,  // the server is not set up, or set up by a newer program
    Failed,        // the server or the archive failed during the sync (the network, a refusal)
};

struct SyncCounts {
    qint64 recordsUp = 0;
    qint64 recordsDown = 0;
    qint64 assetsUp = 0;
    qint64 assetsDown = 0;
    qint64 rulesUp = 0;
    qint64 rulesDown = 0;
    qint64 overwritten = 0; // changes of this laptop that a newer change replaced
};

struct SyncOutcome {
    SyncStatus status = SyncStatus::Failed;
    QString message;  // for the user, in Chinese
    QString sqlState; // the server's code when it refused a step (Failed)
    SyncCounts counts;
    bool readOnlyAccount = false; // the server let this user read only: nothing was pushed
};

class SyncEngine {
public:
    // Rows per step (one transaction on each side).
    static constexpr int kPageRows = 5000;
    // Pulled record pages per local transaction.
    static constexpr int kPagesPerCommit = 10;
    using Progress = std::function<void(qint64 done, qint64 total)>;

    SyncEngine(QString archivePath, ServerConfig server);
    SyncOutcome run(const Progress& progress = {}, const std::atomic_bool* cancel = nullptr);
    void setPageRows(int rows) { m_pageRows = rows; }

private:
    QString m_archivePath;
    ServerConfig m_server;
    int m_pageRows = kPageRows;
};
