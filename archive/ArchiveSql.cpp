#include "archive/ArchiveSql.h"

QString ArchiveSqlText(ArchiveSql statement) {
    switch (statement) {
    // The archive file.
    case ArchiveSql::RecordCount:
        return QStringLiteral("SELECT count(*) FROM records");
    case ArchiveSql::TableNames:
        return QStringLiteral("SELECT name FROM sqlite_master WHERE type='table'");
    case ArchiveSql::SchemaVersionAndLaptop:
        return QStringLiteral("SELECT key, value FROM meta WHERE key IN ('schema_version','laptop_id')");
    case ArchiveSql::WriteAheadLog:
        return QStringLiteral("PRAGMA journal_mode=WAL");
    case ArchiveSql::SynchronousFull:
        return QStringLiteral("PRAGMA synchronous=FULL");
    case ArchiveSql::CacheSize:
        return QStringLiteral("PRAGMA cache_size=-65536");
    case ArchiveSql::QuickCheckFirstFindings:
        return QStringLiteral("PRAGMA quick_check(3)");
    case ArchiveSql::QuickCheck:
        return QStringLiteral("PRAGMA quick_check");
    case ArchiveSql::IntegrityCheck:
        return QStringLiteral("PRAGMA integrity_check");
    case ArchiveSql::NewArchiveMeta:
        return QStringLiteral(
            "INSERT INTO meta (key, value) VALUES ('schema_version', '1'), ('laptop_id', ?)");
    case ArchiveSql::DefaultRules:
        return QStringLiteral(
            "INSERT INTO rules (scope, baseline_factor, rise_factor, phase_factor, changed_at, "
            "changed_by) VALUES ('', '1.2', '0.2', '0.5', ?, ?)");
    case ArchiveSql::SetSchemaVersion:
        return QStringLiteral("UPDATE meta SET value = ? WHERE key = 'schema_version'");
    case ArchiveSql::BeginWrite:
        return QStringLiteral("BEGIN IMMEDIATE");
    case ArchiveSql::Commit:
        return QStringLiteral("COMMIT");
    case ArchiveSql::Rollback:
        return QStringLiteral("ROLLBACK");
    case ArchiveSql::InsertRecord:
        return QStringLiteral(
            "INSERT OR IGNORE INTO records (id, test_time, device, device_key, tester, location, step_code, "
            "step_amperes, load_seconds, r_mantissa, r_exponent, micro_ohms, texts, raw_reply, source, "
            "added_at, added_by, pushed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)");
    case ArchiveSql::StepDone:
        return QStringLiteral("SELECT 1 FROM meta WHERE key = ?");
    case ArchiveSql::MarkStepDone:
        return QStringLiteral("INSERT OR IGNORE INTO meta (key, value) VALUES (?, '1')");

        // Reading records.
    case ArchiveSql::DeviceRecordsByTime:
        return QStringLiteral(
            "SELECT id, texts, device, test_time, step_amperes, micro_ohms, source FROM records "
            "WHERE device_key = ? ORDER BY test_time IS NULL, test_time, added_at");
    case ArchiveSql::RecordsByDevice:
        return QStringLiteral("SELECT id, texts FROM records ORDER BY device_key, test_time");
    case ArchiveSql::DeviceCount:
        return QStringLiteral("SELECT count(*) FROM devices WHERE device_key <> ''");
    case ArchiveSql::AssetCount:
        return QStringLiteral("SELECT count(*) FROM assets");
    case ArchiveSql::ImportedFileCount:
        return QStringLiteral("SELECT count(*) FROM imported_files");
    case ArchiveSql::NotPushedRecordCount:
        return QStringLiteral("SELECT count(*) FROM records WHERE pushed = 0");
    case ArchiveSql::RefusedRecordCount:
        return QStringLiteral("SELECT count(*) FROM records WHERE pushed = -1");
    case ArchiveSql::PreviousTestAtStep:
        return QStringLiteral(
            "SELECT step_amperes, micro_ohms FROM records WHERE device_key = ? AND step_amperes = ? "
            "AND test_time < ? AND micro_ohms IS NOT NULL ORDER BY test_time DESC LIMIT 1");
    case ArchiveSql::PreviousTestAtAnyStep:
        return QStringLiteral(
            "SELECT step_amperes, micro_ohms FROM records WHERE device_key = ? AND test_time < ? "
            "AND step_amperes IS NOT NULL AND micro_ohms IS NOT NULL ORDER BY test_time DESC "
            "LIMIT 1");
    case ArchiveSql::SisterTestOnDay:
        return QStringLiteral(
            "SELECT step_amperes, micro_ohms FROM records WHERE device_key = ? AND step_amperes = ? "
            "AND test_time >= ? AND test_time < ? AND micro_ohms IS NOT NULL "
            "ORDER BY test_time DESC LIMIT 1");
    case ArchiveSql::LastTestOfDevice:
        return QStringLiteral(
            "SELECT test_time, step_amperes, micro_ohms, texts FROM records WHERE device_key = ? "
            "ORDER BY test_time DESC LIMIT 1");
    case ArchiveSql::LaptopNames:
        return QStringLiteral("SELECT laptop_id, host, os_user FROM laptops WHERE laptop_id <> ''");
    case ArchiveSql::SyncLogNewestFirst:
        return QStringLiteral("SELECT at, kind, subject, message FROM sync_log ORDER BY rowid DESC LIMIT ?");

        // The asset register and the assessment rules.
    case ArchiveSql::DevicesAndAssets:
        return QStringLiteral(
            "SELECT k.device_key, COALESCE(a.device, d.device), a.device_key IS NOT NULL, a.station, a.bay, "
            "a.phase, a.kind, a.maker, a.model, a.factory_uohm, a.commissioning_uohm, a.limit_uohm, a.note, "
            "a.baseline_factor, a.rise_factor, a.phase_factor "
            "FROM (SELECT device_key FROM devices UNION SELECT device_key FROM assets) k "
            "LEFT JOIN devices d ON d.device_key = k.device_key "
            "LEFT JOIN assets a ON a.device_key = k.device_key "
            "WHERE k.device_key <> '' ORDER BY k.device_key");
    case ArchiveSql::AssetsOfBay:
        return QStringLiteral(
            "SELECT phase, device FROM assets WHERE station = ? AND bay = ? AND phase <> '' "
            "ORDER BY phase, device_key");
    case ArchiveSql::AssetByKey:
        return QStringLiteral(
            "SELECT device, station, bay, phase, kind, maker, model, factory_uohm, "
            "commissioning_uohm, limit_uohm, note, baseline_factor, rise_factor, phase_factor "
            "FROM assets WHERE device_key = ?");
    case ArchiveSql::RegisteredAssets:
        return QStringLiteral(
            "SELECT device, station, bay, phase, kind, maker, model, factory_uohm, "
            "commissioning_uohm, limit_uohm, note, baseline_factor, rise_factor, phase_factor "
            "FROM assets");
    case ArchiveSql::SaveAsset:
        return QStringLiteral(
            "INSERT INTO assets (device_key, device, station, bay, phase, kind, maker, model, factory_uohm, "
            "commissioning_uohm, limit_uohm, note, baseline_factor, rise_factor, phase_factor, changed_at, "
            "changed_by, pushed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0) "
            "ON CONFLICT (device_key) DO UPDATE SET device = excluded.device, "
            "station = excluded.station, bay = excluded.bay, phase = excluded.phase, "
            "kind = excluded.kind, maker = excluded.maker, model = excluded.model, "
            "factory_uohm = excluded.factory_uohm, commissioning_uohm = excluded.commissioning_uohm, "
            "limit_uohm = excluded.limit_uohm, note = excluded.note, "
            "baseline_factor = excluded.baseline_factor, rise_factor = excluded.rise_factor, "
            "phase_factor = excluded.phase_factor, changed_at = excluded.changed_at, "
            "changed_by = excluded.changed_by, pushed = 0");
    case ArchiveSql::CommonRules:
        return QStringLiteral(
            "SELECT baseline_factor, rise_factor, phase_factor FROM rules WHERE scope = ''");
    case ArchiveSql::SaveCommonRules:
        return QStringLiteral(
            "INSERT INTO rules (scope, baseline_factor, rise_factor, phase_factor, changed_at, "
            "changed_by, pushed) VALUES ('', ?, ?, ?, ?, ?, 0) ON CONFLICT (scope) DO UPDATE "
            "SET baseline_factor = excluded.baseline_factor, rise_factor = excluded.rise_factor, "
            "phase_factor = excluded.phase_factor, changed_at = excluded.changed_at, "
            "changed_by = excluded.changed_by, pushed = 0");

        // The import's notes.
    case ArchiveSql::ImportedFiles:
        return QStringLiteral("SELECT path, size, mtime_ms FROM imported_files");
    case ArchiveSql::NoteImportedFile:
        return QStringLiteral(
            "INSERT OR REPLACE INTO imported_files (path, size, mtime_ms, records) VALUES (?, ?, ?, ?)");

        // Test jobs, instruments, test intervals and the audit trail.
    case ArchiveSql::ReadSignature:
        return QStringLiteral("SELECT value FROM meta WHERE key = 'signature'");
    case ArchiveSql::StoreSignature:
        return QStringLiteral("INSERT INTO meta (key, value) VALUES ('signature', ?) "
                              "ON CONFLICT (key) DO UPDATE SET value = excluded.value");
    case ArchiveSql::JobsInOrder:
        return QStringLiteral(
            "SELECT uuid, family, revision, job_number, station, kind, basis, first_day, last_day, weather, "
            "temperature, humidity, testers, instrument, conclusion, notes, revision_note, state, "
            "recorded_by, recorded_at, checked_by, checked_at, approved_by, approved_at, returned_why, "
            "expired_by, expired_at, customer FROM jobs ORDER BY job_number, revision");
    case ArchiveSql::JobByUuid:
        return QStringLiteral(
            "SELECT uuid, family, revision, job_number, station, kind, basis, first_day, last_day, weather, "
            "temperature, humidity, testers, instrument, conclusion, notes, revision_note, state, "
            "recorded_by, recorded_at, checked_by, checked_at, approved_by, approved_at, returned_why, "
            "expired_by, expired_at, customer FROM jobs WHERE uuid = ?");
    case ArchiveSql::JobPlannedDevices:
        return QStringLiteral("SELECT device FROM job_assets WHERE job = ? ORDER BY device_key");
    case ArchiveSql::JobPlannedKeys:
        return QStringLiteral("SELECT device_key FROM job_assets WHERE job = ?");
    case ArchiveSql::JobNumberUsed:
        return QStringLiteral("SELECT 1 FROM jobs WHERE job_number = ? LIMIT 1");
    case ArchiveSql::JobNumberUsedElsewhere:
        return QStringLiteral("SELECT 1 FROM jobs WHERE job_number = ? AND family <> ? LIMIT 1");
    case ArchiveSql::JobStateAndFamily:
        return QStringLiteral("SELECT state, family FROM jobs WHERE uuid = ?");
    case ArchiveSql::StoreJob:
        return QStringLiteral(
            "INSERT INTO jobs (uuid, family, revision, job_number, station, kind, basis, first_day, "
            "last_day, weather, temperature, humidity, testers, instrument, conclusion, notes, "
            "revision_note, customer, changed_at, changed_by, pushed) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0) "
            "ON CONFLICT (uuid) DO UPDATE SET job_number = excluded.job_number, "
            "station = excluded.station, customer = excluded.customer, kind = excluded.kind, "
            "basis = excluded.basis, "
            "first_day = excluded.first_day, last_day = excluded.last_day, "
            "weather = excluded.weather, temperature = excluded.temperature, "
            "humidity = excluded.humidity, testers = excluded.testers, "
            "instrument = excluded.instrument, conclusion = excluded.conclusion, "
            "notes = excluded.notes, revision_note = excluded.revision_note, "
            "changed_at = excluded.changed_at, changed_by = excluded.changed_by, pushed = 0");
    case ArchiveSql::RemovePlannedAsset:
        return QStringLiteral("DELETE FROM job_assets WHERE job = ? AND device_key = ?");
    case ArchiveSql::AddPlannedAsset:
        return QStringLiteral("INSERT OR IGNORE INTO job_assets (job, device_key, device, changed_at, "
                              "changed_by, pushed) VALUES (?, ?, ?, ?, ?, 0)");
    case ArchiveSql::CurrentJob:
        return QStringLiteral("SELECT m.value FROM meta m JOIN jobs j ON j.uuid = m.value "
                              "WHERE m.key = 'current_job'");
    case ArchiveSql::StoreCurrentJob:
        return QStringLiteral("INSERT INTO meta (key, value) VALUES ('current_job', ?) "
                              "ON CONFLICT (key) DO UPDATE SET value = excluded.value");
    case ArchiveSql::JoinRecordToJob:
        return QStringLiteral(
            "INSERT OR IGNORE INTO job_records (job, record, changed_at, changed_by, pushed) "
            "SELECT ?, r.id, ?, ?, 0 FROM records r WHERE r.id = ? AND ("
            "EXISTS (SELECT 1 FROM job_assets a WHERE a.job = ? AND a.device_key = r.device_key) OR "
            "NOT EXISTS (SELECT 1 FROM assets s WHERE s.device_key = r.device_key))");
    case ArchiveSql::JoinDeviceRecordsToJob:
        return QStringLiteral(
            "INSERT OR IGNORE INTO job_records (job, record, changed_at, changed_by, pushed) "
            "SELECT ?, id, ?, ?, 0 FROM records WHERE device_key = ? AND test_time >= ? AND test_time < ?");
    case ArchiveSql::JobRecordsWithVerdicts:
        return QStringLiteral(
            "SELECT r.id, r.device, r.test_time, r.step_amperes, r.micro_ohms, r.texts, v.verdict, v.reasons "
            "FROM job_records j JOIN records r ON r.id = j.record "
            "LEFT JOIN job_verdicts v ON v.job = j.job AND v.record = j.record "
            "WHERE j.job = ? ORDER BY r.device_key, r.step_amperes, r.test_time");
    case ArchiveSql::SubmitJob:
        return QStringLiteral("UPDATE jobs SET state = 'checking', recorded_by = ?, recorded_at = ?, "
                              "checked_by = '', checked_at = '', returned_why = '', changed_at = ?, "
                              "changed_by = ?, pushed = 0 WHERE uuid = ?");
    case ArchiveSql::CheckJob:
        return QStringLiteral(
            "UPDATE jobs SET checked_by = ?, checked_at = ?, changed_at = ?, changed_by = ?, "
            "pushed = 0 WHERE uuid = ?");
    case ArchiveSql::KeepJobVerdict:
        return QStringLiteral("INSERT OR REPLACE INTO job_verdicts (job, record, verdict, reasons, "
                              "changed_at, changed_by, pushed) VALUES (?, ?, ?, ?, ?, ?, 0)");
    case ArchiveSql::ApproveJob:
        return QStringLiteral("UPDATE jobs SET state = 'approved', approved_by = ?, approved_at = ?, "
                              "changed_at = ?, changed_by = ?, pushed = 0 WHERE uuid = ?");
    case ArchiveSql::SendJobBack:
        return QStringLiteral("UPDATE jobs SET state = 'draft', returned_why = ?, checked_by = '', "
                              "checked_at = '', changed_at = ?, changed_by = ?, pushed = 0 WHERE uuid = ?");
    case ArchiveSql::GoOnWithExpired:
        return QStringLiteral(
            "UPDATE jobs SET expired_by = ?, expired_at = ?, changed_at = ?, changed_by = ?, "
            "pushed = 0 WHERE uuid = ?");
    case ArchiveSql::LastRevisionOfFamily:
        return QStringLiteral("SELECT max(revision) FROM jobs WHERE family = ?");
    case ArchiveSql::CopyJobAsRevision:
        return QStringLiteral(
            "INSERT INTO jobs (uuid, family, revision, job_number, station, kind, basis, first_day, "
            "last_day, weather, temperature, humidity, testers, instrument, conclusion, notes, "
            "revision_note, customer, changed_at, changed_by, pushed) "
            "SELECT ?, family, ?, job_number, station, kind, basis, first_day, last_day, "
            "weather, temperature, humidity, testers, instrument, conclusion, notes, ?, customer, ?, ?, 0 "
            "FROM jobs WHERE uuid = ?");
    case ArchiveSql::CopyPlannedAssetsToRevision:
        return QStringLiteral(
            "INSERT INTO job_assets (job, device_key, device, changed_at, changed_by, pushed) "
            "SELECT ?, device_key, device, ?, ?, 0 FROM job_assets WHERE job = ?");
    case ArchiveSql::CopyJobRecordsToRevision:
        return QStringLiteral("INSERT INTO job_records (job, record, changed_at, changed_by, pushed) "
                              "SELECT ?, record, ?, ?, 0 FROM job_records WHERE job = ?");
    case ArchiveSql::InstrumentsBySerial:
        return QStringLiteral("SELECT uuid, model, serial, certificate, calibrated_on, valid_until, note "
                              "FROM instruments ORDER BY serial");
    case ArchiveSql::InstrumentByUuid:
        return QStringLiteral("SELECT uuid, model, serial, certificate, calibrated_on, valid_until, note "
                              "FROM instruments WHERE uuid = ?");
    case ArchiveSql::InstrumentBySerial:
        return QStringLiteral("SELECT uuid, model, serial, certificate, calibrated_on, valid_until, note "
                              "FROM instruments WHERE serial = ?");
    case ArchiveSql::StoreInstrument:
        return QStringLiteral(
            "INSERT INTO instruments (uuid, model, serial, certificate, calibrated_on, valid_until, note, "
            "changed_at, changed_by, pushed) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 0) "
            "ON CONFLICT (uuid) DO UPDATE SET model = excluded.model, serial = excluded.serial, "
            "certificate = excluded.certificate, calibrated_on = excluded.calibrated_on, "
            "valid_until = excluded.valid_until, note = excluded.note, changed_at = excluded.changed_at, "
            "changed_by = excluded.changed_by, pushed = 0");
    case ArchiveSql::ClearInterval:
        return QStringLiteral("UPDATE test_intervals SET months = 0, changed_at = ?, changed_by = ?, "
                              "pushed = 0 WHERE scope = ? AND key = ? AND months <> 0");
    case ArchiveSql::StoreInterval:
        return QStringLiteral(
            "INSERT INTO test_intervals (scope, key, months, changed_at, changed_by, pushed) "
            "VALUES (?, ?, ?, ?, ?, 0) ON CONFLICT (scope, key) DO UPDATE SET "
            "months = excluded.months, changed_at = excluded.changed_at, "
            "changed_by = excluded.changed_by, pushed = 0");
    case ArchiveSql::DueDates:
        return QStringLiteral(
            "SELECT a.device, a.station, a.bay, a.phase, a.kind, "
            "(SELECT max(test_time) FROM records r WHERE r.device_key = a.device_key), "
            "COALESCE((SELECT NULLIF(months, 0) FROM test_intervals WHERE scope = 'asset' AND key = "
            "a.device_key), "
            "(SELECT NULLIF(months, 0) FROM test_intervals WHERE scope = 'kind' AND key = a.kind), "
            "(SELECT months FROM test_intervals WHERE scope = 'all' AND key = ''), 36) "
            "FROM assets a ORDER BY a.station, a.bay, a.device_key");
    case ArchiveSql::AuditNewestFirst:
        return QStringLiteral(
            "SELECT at, who, subject, item, field, old, new FROM audit ORDER BY at DESC, rowid DESC");

        // The job file.
    case ArchiveSql::JobForFile:
        return QStringLiteral(
            "SELECT uuid, family, job_number, station, customer, kind, basis, first_day, last_day, weather, "
            "temperature, humidity, testers, instrument, conclusion, notes, revision_note, changed_at, "
            "recorded_by, recorded_at, checked_by, checked_at, approved_by, approved_at, returned_why, "
            "expired_by, expired_at, revision, state FROM jobs WHERE uuid = ?");
    case ArchiveSql::JobRecordsForFile:
        return QStringLiteral(
            "SELECT id, test_time, device, device_key, tester, location, step_code, step_amperes, "
            "load_seconds, r_mantissa, r_exponent, micro_ohms, texts, raw_reply, source, added_at, added_by "
            "FROM records r JOIN job_records j ON j.record = r.id WHERE j.job = ? "
            "ORDER BY r.device_key, r.test_time");
    case ArchiveSql::InstrumentUuidBySerial:
        return QStringLiteral("SELECT uuid FROM instruments WHERE serial = ?");
    case ArchiveSql::AddInstrumentFromFile:
        return QStringLiteral(
            "INSERT INTO instruments (uuid, model, serial, certificate, calibrated_on, valid_until, note, "
            "changed_at, changed_by, pushed) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, 0)");
    case ArchiveSql::JobStateAndChange:
        return QStringLiteral("SELECT state, changed_at FROM jobs WHERE uuid = ?");
    case ArchiveSql::StoreJobFromFile:
        return QStringLiteral(
            "INSERT INTO jobs (uuid, family, job_number, station, customer, kind, basis, first_day, "
            "last_day, weather, temperature, humidity, testers, instrument, conclusion, notes, "
            "revision_note, revision, state, changed_at, changed_by, pushed) "
            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'draft', ?, ?, 0) "
            "ON CONFLICT (uuid) DO UPDATE SET job_number = excluded.job_number, station = excluded.station, "
            "customer = excluded.customer, kind = excluded.kind, basis = excluded.basis, "
            "first_day = excluded.first_day, last_day = excluded.last_day, weather = excluded.weather, "
            "temperature = excluded.temperature, humidity = excluded.humidity, testers = excluded.testers, "
            "instrument = excluded.instrument, conclusion = excluded.conclusion, notes = excluded.notes, "
            "revision_note = excluded.revision_note, state = 'draft', changed_at = excluded.changed_at, "
            "changed_by = excluded.changed_by, pushed = 0");
    case ArchiveSql::AddJobRecord:
        return QStringLiteral("INSERT OR IGNORE INTO job_records (job, record, changed_at, changed_by, "
                              "pushed) VALUES (?, ?, ?, ?, 0)");
    case ArchiveSql::StoreJobApprovalFromFile:
        return QStringLiteral(
            "UPDATE jobs SET recorded_by = ?, recorded_at = ?, checked_by = ?, checked_at = ?, "
            "approved_by = ?, approved_at = ?, returned_why = ?, expired_by = ?, expired_at = ?, state = ? "
            "WHERE uuid = ?");

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
