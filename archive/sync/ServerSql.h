#pragma once
// Every statement the sync and the tool run on the team server, by name, written out in
// ServerSql.cpp with the schema's tables and columns (never put together from variables).
#include <QSqlQuery>
#include <QString>

class QSqlDatabase;

enum class ServerSql {
    // The session: its position, rights, counts and laptop names; records and added-only tables.
    Rights, // may add records, may change the register, may read; the server's identity
    SetLockTimeout,
    NameLaptop,
    LaptopNames,
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
