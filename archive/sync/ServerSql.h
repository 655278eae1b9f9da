#pragma once
// Every statement the sync and the tool run on the team server, by name, written out in
// ServerSql.cpp with the schema's tables and columns (never put together from variables).
#include <QSqlQuery>
#include <QString>

class QSqlDatabase;

enum class ServerSql {
    // The session: its position, rights, counts and laptop names; records and added-only tables.
    Rights,         // may add records, may change the register, may read; the server's identity
    SetLockTimeout, // how long a lock held elsewhere is waited for, as a setting's text ('30s')
    NameLaptop,
    LaptopNames,
    // Per table (records, removed records first): a page inserted (one JSON parameter), the page after
    // a change number (LIMIT ?), whether the row a pull came to is still there, the rows after a
    // change number counted.
    InsertRecords,
    RecordsAfter,
    RecordStillThere,
    CountRecordsAfter,
    RemovedAfter,
    RemovedStillThere,
    CountRemovedAfter,
    InsertJobAssets,
    JobAssetsAfter,
    JobAssetStillThere,
    CountJobAssetsAfter,
    InsertJobRecords,
    JobRecordsAfter,
    JobRecordStillThere,
    CountJobRecordsAfter,
    InsertJobVerdicts,
    JobVerdictsAfter,
    JobVerdictStillThere,
    CountJobVerdictsAfter,
    InsertAudit,
    AuditAfter,
    AuditStillThere,
    CountAuditAfter,

    // The tables whose rows change (register, rules, instruments, intervals, jobs).
    // Per table: the upsert (the newer change wins; the time kept returned), the server's row, the page
    // after a change number (LIMIT ?), whether the row a pull came to is still there, the rows after
    // a change number counted.
    UpsertAsset,
    ServerAsset,
    AssetsAfter,
    AssetStillThere,
    CountAssetsAfter,
    UpsertRule,
    ServerRule,
    RulesAfter,
    RuleStillThere,
    CountRulesAfter,
    UpsertInstrument,
    ServerInstrument,
    InstrumentsAfter,
    InstrumentStillThere,
    CountInstrumentsAfter,
    UpsertInterval,
    ServerInterval,
    IntervalsAfter,
    IntervalStillThere,
    CountIntervalsAfter,
    UpsertJob,
    ServerJob,
    JobsAfter,
    JobStillThere,
    CountJobsAfter,

    // The schema and the tool's commands.
    // (Not here: the schema scripts' own statements, run as the scripts hold them, and the tool's
    // CREATE DATABASE, whose name the server takes only as a quoted identifier, never bound.)
    UseUtc,
    SchemaExists,
    SchemaVersion,
    NoStatementTimeout,
    LockSchema,
    AddSchemaVersion,

    // Run as written, never prepared (PostgreSQL prepares no savepoint): the savepoints of a page and
    // of a row in a push.
    SavepointPage,
    SavepointRow,
    RollbackToRow,
    ReleaseRow,
    RollbackToPage,
};

QString ServerSqlText(ServerSql statement);
// The statement prepared on a server connection, forward only. One that does not prepare fails
// its exec() with the server's reason.
QSqlQuery ServerStatement(const QSqlDatabase& server, ServerSql statement);
// Runs a statement ServerStatement() made, or one whose last run succeeded: one that did not prepare
// is not run (the driver would run it nameless), and lastError() keeps the server's reason.
bool ServerExec(QSqlQuery& query);
