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

        // The job file.

        // The sync's session, records and added-only tables.

    // The sync's tables whose rows change.
    }
    return {};
}
