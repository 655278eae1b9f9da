#include "archive/ArchiveSql.h"

QString ArchiveSqlText(ArchiveSql statement) {
    switch (statement) {
    // The archive file.
    case ArchiveSql::RecordCount:
        return QStringLiteral("SELECT count(*) FROM records");

        // Reading records.

        // The asset register and the assessment rules.

        // The import's notes.

        // Test jobs, instruments, test intervals and the audit trail.

        // The job file.

        // The sync's session, records and added-only tables.
    case ArchiveSql::SyncCacheSize:
        return QStringLiteral("PRAGMA cache_size = -65536");
    case ArchiveSql::SyncSynchronousNormal:
        return QStringLiteral("PRAGMA synchronous = NORMAL");
    case ArchiveSql::SyncBusyWait:
        return QStringLiteral("PRAGMA busy_timeout = 10000");
    case ArchiveSql::InsertLaptopId:
        return QStringLiteral("INSERT OR IGNORE INTO meta (key, value) VALUES ('laptop_id', ?)");
    case ArchiveSql::CreateSyncPosition:
        return QStringLiteral(
            "CREATE TABLE IF NOT EXISTS sync_position ( server_id TEXT NOT NULL, subject TEXT NOT "
            "NULL, seq INTEGER NOT NULL, anchor TEXT NOT NULL, PRIMARY KEY (server_id, subject))");
    case ArchiveSql::ArchiveTableNames:
        return QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'");
    case ArchiveSql::LastSyncServer:
        return QStringLiteral("SELECT value FROM meta WHERE key = 'sync_server'");
    case ArchiveSql::SetSyncServer:
        return QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES ('sync_server', ?)");
    case ArchiveSql::ForgetSyncPositions:
        return QStringLiteral("DELETE FROM sync_position WHERE server_id = ?");
    case ArchiveSql::SyncPosition:
        return QStringLiteral("SELECT seq, anchor FROM sync_position WHERE server_id = ? AND subject = ?");
    case ArchiveSql::WriteSyncPosition:
        return QStringLiteral(
            "INSERT INTO sync_position (server_id, subject, seq, anchor) VALUES (?, ?, ?, ?) ON "
            "CONFLICT (server_id, subject) DO UPDATE SET seq = excluded.seq, anchor = excluded.anchor");
    case ArchiveSql::AddSyncState:
        return QStringLiteral("INSERT OR IGNORE INTO sync_state (server) VALUES (?)");
    case ArchiveSql::SetSyncStateRecordsSeq:
        return QStringLiteral("UPDATE sync_state SET records_seq = ? WHERE server = ?");
    case ArchiveSql::SetSyncStateAssetsSeq:
        return QStringLiteral("UPDATE sync_state SET assets_seq = ? WHERE server = ?");
    case ArchiveSql::SetSyncStateRulesSeq:
        return QStringLiteral("UPDATE sync_state SET rules_seq = ? WHERE server = ?");
    case ArchiveSql::AddSyncLog:
        return QStringLiteral("INSERT INTO sync_log (at, kind, subject, message) VALUES (?, ?, ?, ?)");
    case ArchiveSql::SyncWritingOn:
        return QStringLiteral("INSERT OR REPLACE INTO meta (key, value) VALUES ('sync_writing', '1')");
    case ArchiveSql::SyncWritingOff:
        return QStringLiteral("DELETE FROM meta WHERE key = 'sync_writing'");
    case ArchiveSql::TakeLaptopName:
        return QStringLiteral(
            "INSERT INTO laptops (laptop_id, host, os_user) VALUES (?, ?, ?) ON CONFLICT (laptop_id) "
            "DO UPDATE SET host = excluded.host, os_user = excluded.os_user WHERE host <> "
            "excluded.host OR os_user <> excluded.os_user");
    case ArchiveSql::RecordsToPush:
        return QStringLiteral(
            "SELECT id, test_time, device, device_key, tester, location, step_code, step_amperes, "
            "load_seconds, r_mantissa, r_exponent, micro_ohms, texts, raw_reply, source, added_at, "
            "added_by FROM records WHERE pushed = 0 LIMIT ?");
    case ArchiveSql::MarkRecordPushed:
        return QStringLiteral("UPDATE records SET pushed = ? WHERE id = ?");
    case ArchiveSql::TakeRecord:
        return QStringLiteral(
            "INSERT INTO records (id, test_time, device, device_key, tester, location, step_code, "
            "step_amperes, load_seconds, r_mantissa, r_exponent, micro_ohms, texts, raw_reply, "
            "source, added_at, added_by, pushed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
            " ?, ?, 1) ON CONFLICT (id) DO UPDATE SET pushed = 1 WHERE pushed <> 1");
    case ArchiveSql::RemoveRecord:
        return QStringLiteral("DELETE FROM records WHERE id = ?");
    case ArchiveSql::RecordsToPushCount:
        return QStringLiteral("SELECT count(*) FROM records WHERE pushed IN (0, 2)");
    case ArchiveSql::SendRecordsAgain:
        return QStringLiteral("UPDATE records SET pushed = 0 WHERE pushed = 1");
    case ArchiveSql::JobAssetsToPush:
        return QStringLiteral(
            "SELECT job, device_key, device, changed_at, changed_by FROM job_assets WHERE pushed = 0 "
            "LIMIT ?");
    case ArchiveSql::MarkJobAssetPushed:
        return QStringLiteral("UPDATE job_assets SET pushed = ? WHERE job = ? AND device_key = ?");
    case ArchiveSql::TakeJobAsset:
        return QStringLiteral(
            "INSERT INTO job_assets (job, device_key, device, changed_at, changed_by, pushed) VALUES "
            "(?, ?, ?, ?, ?, 1) ON CONFLICT (job, device_key) DO UPDATE SET pushed = 1 WHERE pushed "
            "<> 1");
    case ArchiveSql::JobAssetsToPushCount:
        return QStringLiteral("SELECT count(*) FROM job_assets WHERE pushed IN (0, 2)");
    case ArchiveSql::SendJobAssetsAgain:
        return QStringLiteral("UPDATE job_assets SET pushed = 0 WHERE pushed = 1");
    case ArchiveSql::JobRecordsToPush:
        return QStringLiteral(
            "SELECT job, record, changed_at, changed_by FROM job_records WHERE pushed = 0 LIMIT ?");
    case ArchiveSql::MarkJobRecordPushed:
        return QStringLiteral("UPDATE job_records SET pushed = ? WHERE job = ? AND record = ?");
    case ArchiveSql::TakeJobRecord:
        return QStringLiteral(
            "INSERT INTO job_records (job, record, changed_at, changed_by, pushed) VALUES (?, ?, ?, "
            "?, 1) ON CONFLICT (job, record) DO UPDATE SET pushed = 1 WHERE pushed <> 1");
    case ArchiveSql::JobRecordsToPushCount:
        return QStringLiteral("SELECT count(*) FROM job_records WHERE pushed IN (0, 2)");
    case ArchiveSql::SendJobRecordsAgain:
        return QStringLiteral("UPDATE job_records SET pushed = 0 WHERE pushed = 1");
    case ArchiveSql::JobVerdictsToPush:
        return QStringLiteral(
            "SELECT job, record, verdict, reasons, changed_at, changed_by FROM job_verdicts WHERE "
            "pushed = 0 LIMIT ?");
    case ArchiveSql::MarkJobVerdictPushed:
        return QStringLiteral("UPDATE job_verdicts SET pushed = ? WHERE job = ? AND record = ?");
    case ArchiveSql::TakeJobVerdict:
        return QStringLiteral(
            "INSERT INTO job_verdicts (job, record, verdict, reasons, changed_at, changed_by, pushed)"
            " VALUES (?, ?, ?, ?, ?, ?, 1) ON CONFLICT (job, record) DO UPDATE SET pushed = 1 WHERE "
            "pushed <> 1");
    case ArchiveSql::JobVerdictsToPushCount:
        return QStringLiteral("SELECT count(*) FROM job_verdicts WHERE pushed IN (0, 2)");
    case ArchiveSql::SendJobVerdictsAgain:
        return QStringLiteral("UPDATE job_verdicts SET pushed = 0 WHERE pushed = 1");
    case ArchiveSql::AuditToPush:
        return QStringLiteral(
            "SELECT uuid, at, who, subject, item, field, old, new FROM audit WHERE pushed = 0 LIMIT ?");
    case ArchiveSql::MarkAuditPushed:
        return QStringLiteral("UPDATE audit SET pushed = ? WHERE uuid = ?");
    case ArchiveSql::TakeAudit:
        return QStringLiteral(
            "INSERT INTO audit (uuid, at, who, subject, item, field, old, new, pushed) VALUES (?, ?, "
            "?, ?, ?, ?, ?, ?, 1) ON CONFLICT (uuid) DO UPDATE SET pushed = 1 WHERE pushed <> 1");
    case ArchiveSql::AuditToPushCount:
        return QStringLiteral("SELECT count(*) FROM audit WHERE pushed IN (0, 2)");
    case ArchiveSql::SendAuditAgain:
        return QStringLiteral("UPDATE audit SET pushed = 0 WHERE pushed = 1");

    // The sync's tables whose rows change.
    case ArchiveSql::AssetsToPush:
        return QStringLiteral(
            "SELECT device_key, device, station, bay, phase, kind, maker, model, factory_uohm, "
            "commissioning_uohm, limit_uohm, baseline_factor, rise_factor, phase_factor, note, "
            "changed_at, changed_by, pushed FROM assets WHERE pushed IN (0, 2) LIMIT ?");
    case ArchiveSql::MarkAssetRefused:
        return QStringLiteral(
            "UPDATE assets SET pushed = -1 WHERE device_key = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::AssetFromServer:
        return QStringLiteral(
            "UPDATE assets SET device = ?, station = ?, bay = ?, phase = ?, kind = ?, maker = ?, "
            "model = ?, factory_uohm = ?, commissioning_uohm = ?, limit_uohm = ?, baseline_factor = "
            "?, rise_factor = ?, phase_factor = ?, note = ?, changed_at = ?, changed_by = ?, pushed ="
            " 1 WHERE device_key = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::AssetAsServerTookIt:
        return QStringLiteral(
            "UPDATE assets SET device_key = ?, device = ?, station = ?, bay = ?, phase = ?, kind = ?,"
            " maker = ?, model = ?, factory_uohm = ?, commissioning_uohm = ?, limit_uohm = ?, "
            "baseline_factor = ?, rise_factor = ?, phase_factor = ?, note = ?, changed_at = ?, pushed"
            " = 1 WHERE device_key = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::MarkAssetPushed:
        return QStringLiteral(
            "UPDATE assets SET pushed = 1 WHERE device_key = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::LocalAsset:
        return QStringLiteral(
            "SELECT device, station, bay, phase, kind, maker, model, factory_uohm, "
            "commissioning_uohm, limit_uohm, baseline_factor, rise_factor, phase_factor, note, "
            "changed_at, changed_by, pushed FROM assets WHERE device_key = ?");
    case ArchiveSql::WriteAsset:
        return QStringLiteral(
            "INSERT INTO assets (device_key, device, station, bay, phase, kind, maker, model, "
            "factory_uohm, commissioning_uohm, limit_uohm, baseline_factor, rise_factor, "
            "phase_factor, note, changed_at, changed_by, pushed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, "
            "?, ?, ?, ?, ?, ?, ?, ?, 1) ON CONFLICT (device_key) DO UPDATE SET device = "
            "excluded.device, station = excluded.station, bay = excluded.bay, phase = excluded.phase,"
            " kind = excluded.kind, maker = excluded.maker, model = excluded.model, factory_uohm = "
            "excluded.factory_uohm, commissioning_uohm = excluded.commissioning_uohm, limit_uohm = "
            "excluded.limit_uohm, baseline_factor = excluded.baseline_factor, rise_factor = "
            "excluded.rise_factor, phase_factor = excluded.phase_factor, note = excluded.note, "
            "changed_at = excluded.changed_at, changed_by = excluded.changed_by, pushed = 1");
    case ArchiveSql::ConfirmAsset:
        return QStringLiteral("UPDATE assets SET pushed = 1 WHERE device_key = ?");
    case ArchiveSql::AssetsToPushCount:
        return QStringLiteral("SELECT count(*) FROM assets WHERE pushed IN (0, 2)");
    case ArchiveSql::SendAssetsAgain:
        return QStringLiteral("UPDATE assets SET pushed = 2 WHERE pushed = 1");
    case ArchiveSql::RulesToPush:
        return QStringLiteral(
            "SELECT scope, baseline_factor, rise_factor, phase_factor, changed_at, changed_by, pushed"
            " FROM rules WHERE pushed IN (0, 2) LIMIT ?");
    case ArchiveSql::MarkRuleRefused:
        return QStringLiteral(
            "UPDATE rules SET pushed = -1 WHERE scope = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::RuleFromServer:
        return QStringLiteral(
            "UPDATE rules SET baseline_factor = ?, rise_factor = ?, phase_factor = ?, changed_at = ?,"
            " changed_by = ?, pushed = 1 WHERE scope = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::RuleAsServerTookIt:
        return QStringLiteral(
            "UPDATE rules SET scope = ?, baseline_factor = ?, rise_factor = ?, phase_factor = ?, "
            "changed_at = ?, pushed = 1 WHERE scope = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::MarkRulePushed:
        return QStringLiteral(
            "UPDATE rules SET pushed = 1 WHERE scope = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::LocalRule:
        return QStringLiteral(
            "SELECT baseline_factor, rise_factor, phase_factor, changed_at, changed_by, pushed FROM "
            "rules WHERE scope = ?");
    case ArchiveSql::WriteRule:
        return QStringLiteral(
            "INSERT INTO rules (scope, baseline_factor, rise_factor, phase_factor, changed_at, "
            "changed_by, pushed) VALUES (?, ?, ?, ?, ?, ?, 1) ON CONFLICT (scope) DO UPDATE SET "
            "baseline_factor = excluded.baseline_factor, rise_factor = excluded.rise_factor, "
            "phase_factor = excluded.phase_factor, changed_at = excluded.changed_at, changed_by = "
            "excluded.changed_by, pushed = 1");
    case ArchiveSql::ConfirmRule:
        return QStringLiteral("UPDATE rules SET pushed = 1 WHERE scope = ?");
    case ArchiveSql::RulesToPushCount:
        return QStringLiteral("SELECT count(*) FROM rules WHERE pushed IN (0, 2)");
    case ArchiveSql::SendRulesAgain:
        return QStringLiteral("UPDATE rules SET pushed = 2 WHERE pushed = 1");
    case ArchiveSql::InstrumentsToPush:
        return QStringLiteral(
            "SELECT uuid, model, serial, certificate, calibrated_on, valid_until, note, changed_at, "
            "changed_by, pushed FROM instruments WHERE pushed IN (0, 2) LIMIT ?");
    case ArchiveSql::MarkInstrumentRefused:
        return QStringLiteral(
            "UPDATE instruments SET pushed = -1 WHERE uuid = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::InstrumentFromServer:
        return QStringLiteral(
            "UPDATE instruments SET model = ?, serial = ?, certificate = ?, calibrated_on = ?, "
            "valid_until = ?, note = ?, changed_at = ?, changed_by = ?, pushed = 1 WHERE uuid = ? AND"
            " changed_at = ? AND changed_by = ?");
    case ArchiveSql::InstrumentAsServerTookIt:
        return QStringLiteral(
            "UPDATE instruments SET uuid = ?, model = ?, serial = ?, certificate = ?, calibrated_on ="
            " ?, valid_until = ?, note = ?, changed_at = ?, pushed = 1 WHERE uuid = ? AND changed_at "
            "= ? AND changed_by = ?");
    case ArchiveSql::MarkInstrumentPushed:
        return QStringLiteral(
            "UPDATE instruments SET pushed = 1 WHERE uuid = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::LocalInstrument:
        return QStringLiteral(
            "SELECT model, serial, certificate, calibrated_on, valid_until, note, changed_at, "
            "changed_by, pushed FROM instruments WHERE uuid = ?");
    case ArchiveSql::WriteInstrument:
        return QStringLiteral(
            "INSERT INTO instruments (uuid, model, serial, certificate, calibrated_on, valid_until, "
            "note, changed_at, changed_by, pushed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 1) ON CONFLICT "
            "(uuid) DO UPDATE SET model = excluded.model, serial = excluded.serial, certificate = "
            "excluded.certificate, calibrated_on = excluded.calibrated_on, valid_until = "
            "excluded.valid_until, note = excluded.note, changed_at = excluded.changed_at, changed_by"
            " = excluded.changed_by, pushed = 1");
    case ArchiveSql::ConfirmInstrument:
        return QStringLiteral("UPDATE instruments SET pushed = 1 WHERE uuid = ?");
    case ArchiveSql::InstrumentsToPushCount:
        return QStringLiteral("SELECT count(*) FROM instruments WHERE pushed IN (0, 2)");
    case ArchiveSql::SendInstrumentsAgain:
        return QStringLiteral("UPDATE instruments SET pushed = 2 WHERE pushed = 1");
    case ArchiveSql::IntervalsToPush:
        return QStringLiteral(
            "SELECT scope, key, months, changed_at, changed_by, pushed FROM test_intervals WHERE "
            "pushed IN (0, 2) LIMIT ?");
    case ArchiveSql::MarkIntervalRefused:
        return QStringLiteral(
            "UPDATE test_intervals SET pushed = -1 WHERE scope = ? AND key = ? AND changed_at = ? AND"
            " changed_by = ?");
    case ArchiveSql::IntervalFromServer:
        return QStringLiteral(
            "UPDATE test_intervals SET months = ?, changed_at = ?, changed_by = ?, pushed = 1 WHERE "
            "scope = ? AND key = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::IntervalAsServerTookIt:
        return QStringLiteral(
            "UPDATE test_intervals SET scope = ?, key = ?, months = ?, changed_at = ?, pushed = 1 "
            "WHERE scope = ? AND key = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::MarkIntervalPushed:
        return QStringLiteral(
            "UPDATE test_intervals SET pushed = 1 WHERE scope = ? AND key = ? AND changed_at = ? AND "
            "changed_by = ?");
    case ArchiveSql::LocalInterval:
        return QStringLiteral(
            "SELECT months, changed_at, changed_by, pushed FROM test_intervals WHERE scope = ? AND "
            "key = ?");
    case ArchiveSql::WriteInterval:
        return QStringLiteral(
            "INSERT INTO test_intervals (scope, key, months, changed_at, changed_by, pushed) VALUES "
            "(?, ?, ?, ?, ?, 1) ON CONFLICT (scope, key) DO UPDATE SET months = excluded.months, "
            "changed_at = excluded.changed_at, changed_by = excluded.changed_by, pushed = 1");
    case ArchiveSql::ConfirmInterval:
        return QStringLiteral("UPDATE test_intervals SET pushed = 1 WHERE scope = ? AND key = ?");
    case ArchiveSql::IntervalsToPushCount:
        return QStringLiteral("SELECT count(*) FROM test_intervals WHERE pushed IN (0, 2)");
    case ArchiveSql::SendIntervalsAgain:
        return QStringLiteral("UPDATE test_intervals SET pushed = 2 WHERE pushed = 1");
    case ArchiveSql::JobsToPush:
        return QStringLiteral(
            "SELECT uuid, family, revision, job_number, station, customer, kind, basis, first_day, "
            "last_day, weather, temperature, humidity, testers, instrument, conclusion, notes, "
            "revision_note, state, recorded_by, recorded_at, checked_by, checked_at, approved_by, "
            "approved_at, returned_why, expired_by, expired_at, changed_at, changed_by, pushed FROM "
            "jobs WHERE pushed IN (0, 2) LIMIT ?");
    case ArchiveSql::MarkJobRefused:
        return QStringLiteral(
            "UPDATE jobs SET pushed = -1 WHERE uuid = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::JobFromServer:
        return QStringLiteral(
            "UPDATE jobs SET family = ?, revision = ?, job_number = ?, station = ?, customer = ?, "
            "kind = ?, basis = ?, first_day = ?, last_day = ?, weather = ?, temperature = ?, humidity"
            " = ?, testers = ?, instrument = ?, conclusion = ?, notes = ?, revision_note = ?, state ="
            " ?, recorded_by = ?, recorded_at = ?, checked_by = ?, checked_at = ?, approved_by = ?, "
            "approved_at = ?, returned_why = ?, expired_by = ?, expired_at = ?, changed_at = ?, "
            "changed_by = ?, pushed = 1 WHERE uuid = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::JobAsServerTookIt:
        return QStringLiteral(
            "UPDATE jobs SET uuid = ?, family = ?, revision = ?, job_number = ?, station = ?, "
            "customer = ?, kind = ?, basis = ?, first_day = ?, last_day = ?, weather = ?, temperature"
            " = ?, humidity = ?, testers = ?, instrument = ?, conclusion = ?, notes = ?, "
            "revision_note = ?, state = ?, recorded_by = ?, recorded_at = ?, checked_by = ?, "
            "checked_at = ?, approved_by = ?, approved_at = ?, returned_why = ?, expired_by = ?, "
            "expired_at = ?, changed_at = ?, pushed = 1 WHERE uuid = ? AND changed_at = ? AND "
            "changed_by = ?");
    case ArchiveSql::MarkJobPushed:
        return QStringLiteral(
            "UPDATE jobs SET pushed = 1 WHERE uuid = ? AND changed_at = ? AND changed_by = ?");
    case ArchiveSql::LocalJob:
        return QStringLiteral(
            "SELECT family, revision, job_number, station, customer, kind, basis, first_day, "
            "last_day, weather, temperature, humidity, testers, instrument, conclusion, notes, "
            "revision_note, state, recorded_by, recorded_at, checked_by, checked_at, approved_by, "
            "approved_at, returned_why, expired_by, expired_at, changed_at, changed_by, pushed FROM "
            "jobs WHERE uuid = ?");
    case ArchiveSql::WriteJob:
        return QStringLiteral(
            "INSERT INTO jobs (uuid, family, revision, job_number, station, customer, kind, basis, "
            "first_day, last_day, weather, temperature, humidity, testers, instrument, conclusion, "
            "notes, revision_note, state, recorded_by, recorded_at, checked_by, checked_at, "
            "approved_by, approved_at, returned_why, expired_by, expired_at, changed_at, changed_by, "
            "pushed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
            "?, ?, ?, ?, ?, ?, 1) ON CONFLICT (uuid) DO UPDATE SET family = excluded.family, revision"
            " = excluded.revision, job_number = excluded.job_number, station = excluded.station, "
            "customer = excluded.customer, kind = excluded.kind, basis = excluded.basis, first_day = "
            "excluded.first_day, last_day = excluded.last_day, weather = excluded.weather, "
            "temperature = excluded.temperature, humidity = excluded.humidity, testers = "
            "excluded.testers, instrument = excluded.instrument, conclusion = excluded.conclusion, "
            "notes = excluded.notes, revision_note = excluded.revision_note, state = excluded.state, "
            "recorded_by = excluded.recorded_by, recorded_at = excluded.recorded_at, checked_by = "
            "excluded.checked_by, checked_at = excluded.checked_at, approved_by = "
            "excluded.approved_by, approved_at = excluded.approved_at, returned_why = "
            "excluded.returned_why, expired_by = excluded.expired_by, expired_at = "
            "excluded.expired_at, changed_at = excluded.changed_at, changed_by = excluded.changed_by,"
            " pushed = 1");
    case ArchiveSql::ConfirmJob:
        return QStringLiteral("UPDATE jobs SET pushed = 1 WHERE uuid = ?");
    case ArchiveSql::JobsToPushCount:
        return QStringLiteral("SELECT count(*) FROM jobs WHERE pushed IN (0, 2)");
    case ArchiveSql::SendJobsAgain:
        return QStringLiteral("UPDATE jobs SET pushed = 2 WHERE pushed = 1");
    }
    return {};
}
