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

        // The sync's tables whose rows change.
    }
    return {};
}
