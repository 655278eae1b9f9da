#pragma once
// Every statement the program runs on its archive, by name. The texts are written out in
// ArchiveSql.cpp with their tables and columns, never put together from variables, and only
// RecordArchive::statement() prepares them: no other file holds a statement of the archive.
#include <QString>

enum class ArchiveSql {
    // The archive file: opening, checks, storing records, one-time steps.
    RecordCount,

    // Reading records: a device's history, the assessment's look-ups, the overview, the counts.

    // The asset register and the assessment rules.

    // The import's notes of the files it has taken.

    // Test jobs, instruments, test intervals and the audit trail.

    // The job file: a job with its devices, records and instrument between archives.

    // The sync's side of the archive: its session (laptop, server, cursors, counts), records and the
    // tables whose rows are only added.
    SyncCacheSize,
    SyncSynchronousNormal,
    SyncBusyWait, // the program's own writes are waited for rather than fail the sync
    InsertLaptopId,
    CreateSyncPosition,
    ArchiveTableNames,
    LastSyncServer,
    SetSyncServer,
    ForgetSyncPositions,
    SyncPosition, // where a pull has come to on a server: change number and anchor
    WriteSyncPosition,
    AddSyncState,
    SetSyncStateRecordsSeq,
    SetSyncStateAssetsSeq,
    SetSyncStateRulesSeq,
    AddSyncLog,
    SyncWritingOn, // the audit triggers leave no trail of the sync's own writes
    SyncWritingOff,
    TakeLaptopName,
    // Per table (records first): a page to push (LIMIT ?), a row marked pushed (1) or refused (-1), a
    // server's row taken, the rows to push counted, and all marked to be sent again.
    RecordsToPush,
    MarkRecordPushed,
    TakeRecord,
    RemoveRecord,
    RecordsToPushCount,
    SendRecordsAgain,
    JobAssetsToPush,
    MarkJobAssetPushed,
    TakeJobAsset,
    JobAssetsToPushCount,
    SendJobAssetsAgain,
    JobRecordsToPush,
    MarkJobRecordPushed,
    TakeJobRecord,
    JobRecordsToPushCount,
    SendJobRecordsAgain,
    JobVerdictsToPush,
    MarkJobVerdictPushed,
    TakeJobVerdict,
    JobVerdictsToPushCount,
    SendJobVerdictsAgain,
    AuditToPush,
    MarkAuditPushed,
    TakeAudit,
    AuditToPushCount,
    SendAuditAgain,

    // The sync's side of the archive: the tables whose rows change (register, rules, instruments,
    // intervals, jobs).
    // Per table: a page to push (LIMIT ?); a pushed row, matched as it was sent, marked refused, as the
    // server's newer row, as the server took it (otherwise than sent) or pushed; our row as a pull
    // meets it, the server's row written, ours confirmed as the server's; the rows to push counted,
    // and all marked to be sent again.
    AssetsToPush,
    MarkAssetRefused,
    AssetFromServer,
    AssetAsServerTookIt,
    MarkAssetPushed,
    LocalAsset,
    WriteAsset,
    ConfirmAsset,
    AssetsToPushCount,
    SendAssetsAgain,
    RulesToPush,
    MarkRuleRefused,
    RuleFromServer,
    RuleAsServerTookIt,
    MarkRulePushed,
    LocalRule,
    WriteRule,
    ConfirmRule,
    RulesToPushCount,
    SendRulesAgain,
    InstrumentsToPush,
    MarkInstrumentRefused,
    InstrumentFromServer,
    InstrumentAsServerTookIt,
    MarkInstrumentPushed,
    LocalInstrument,
    WriteInstrument,
    ConfirmInstrument,
    InstrumentsToPushCount,
    SendInstrumentsAgain,
    IntervalsToPush,
    MarkIntervalRefused,
    IntervalFromServer,
    IntervalAsServerTookIt,
    MarkIntervalPushed,
    LocalInterval,
    WriteInterval,
    ConfirmInterval,
    IntervalsToPushCount,
    SendIntervalsAgain,
    JobsToPush,
    MarkJobRefused,
    JobFromServer,
    JobAsServerTookIt,
    MarkJobPushed,
    LocalJob,
    WriteJob,
    ConfirmJob,
    JobsToPushCount,
    SendJobsAgain,
};

// The statement's text.
QString ArchiveSqlText(ArchiveSql statement);
