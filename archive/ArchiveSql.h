#pragma once
// Every statement the program runs on its archive, by name. The texts are written out in
// ArchiveSql.cpp with their tables and columns, never put together from variables, and only
// RecordArchive::statement() prepares them: no other file holds a statement of the archive.
#include <QString>

enum class ArchiveSql {
    // The archive file: opening, checks, storing records, one-time steps.
    RecordCount,
    TableNames,
    SchemaVersionAndLaptop,
    WriteAheadLog,
    SynchronousFull,
    CacheSize,
    QuickCheckFirstFindings, // the check before the first write of a run: three findings at most
    QuickCheck,
    IntegrityCheck,
    NewArchiveMeta, // schema version 1 and the laptop's identity
    DefaultRules,
    SetSchemaVersion,
    BeginWrite,
    Commit,
    Rollback,
    InsertRecord, // a record not yet there, not yet pushed
    StepDone,
    MarkStepDone,

    // Reading records: a device's history, the assessment's look-ups, the overview, the counts.
    DeviceRecordsByTime, // records without a time last
    RecordsByDevice,
    DeviceCount,
    AssetCount,
    ImportedFileCount,
    NotPushedRecordCount,
    RefusedRecordCount,
    PreviousTestAtStep,    // the device's last reading at the step before a time
    PreviousTestAtAnyStep, // the device's last reading at any step before a time
    SisterTestOnDay,       // the device's last reading at the step between two times
    LastTestOfDevice,
    // The sync log: the other laptops' names, the entries newest first.
    LaptopNames,
    SyncLogNewestFirst,

    // The asset register and the assessment rules.
    DevicesAndAssets, // every device key met or registered, with its asset where registered
    AssetsOfBay,      // the bay's devices with a phase
    AssetByKey,
    RegisteredAssets,
    SaveAsset,
    CommonRules,
    SaveCommonRules,

    // The import's notes of the files it has taken.
    ImportedFiles,
    NoteImportedFile,

    // Test jobs, instruments, test intervals and the audit trail.
    ReadSignature,
    StoreSignature,
    JobsInOrder, // every revision, by number and revision
    JobByUuid,
    JobPlannedDevices,
    JobPlannedKeys,
    JobNumberUsed,          // by any job
    JobNumberUsedElsewhere, // by a job of another family
    JobStateAndFamily,
    StoreJob, // a draft's fields, added or changed
    RemovePlannedAsset,
    AddPlannedAsset, // kept when already planned
    CurrentJob,      // this laptop's current job, when it still exists
    StoreCurrentJob,
    JoinRecordToJob,        // when its device is planned or not registered
    JoinDeviceRecordsToJob, // a device's records tested within a span
    JobRecordsWithVerdicts,
    SubmitJob,
    CheckJob,
    KeepJobVerdict, // the verdict as judged at approval
    ApproveJob,
    SendJobBack,
    GoOnWithExpired, // who and when went on with an instrument past its calibration
    LastRevisionOfFamily,
    CopyJobAsRevision,
    CopyPlannedAssetsToRevision,
    CopyJobRecordsToRevision,
    InstrumentsBySerial,
    InstrumentByUuid,
    InstrumentBySerial,
    StoreInstrument, // added or changed
    ClearInterval,   // months 0, so that the removal reaches the other laptops
    StoreInterval,
    DueDates, // every registered asset with its last test and its interval
    AuditNewestFirst,

    // The job file: a job with its devices, records and instrument between archives.
    JobForFile,        // its fields, approval, revision and state
    JobRecordsForFile, // the records with their identity
    InstrumentUuidBySerial,
    AddInstrumentFromFile,
    JobStateAndChange,
    StoreJobFromFile,         // as a draft, so that its assets and records may join; its revision kept
    AddJobRecord,             // kept when already joined
    StoreJobApprovalFromFile, // the approval's fields and the state

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
