#include "archive/sync/ServerSql.h"

#include <QSqlDatabase>
#include <QSqlError>

QString ServerSqlText(ServerSql statement) {
    switch (statement) {
    // The session, records and added-only tables.
    case ServerSql::Rights:
        return QStringLiteral("SELECT has_any_column_privilege('ohmara.records', 'INSERT'),"
                              " has_any_column_privilege('ohmara.assets', 'UPDATE'),"
                              " has_table_privilege('ohmara.records', 'SELECT'),"
                              " (SELECT CAST(id AS text) FROM ohmara.server_identity LIMIT 1)");
    case ServerSql::SetLockTimeout:
        return QStringLiteral("SELECT set_config('lock_timeout', ?, false)");
    case ServerSql::NameLaptop:
        return QStringLiteral("SELECT ohmara.name_laptop(?, ?, ?)");
    case ServerSql::LaptopNames:
        return QStringLiteral("SELECT laptop_id, host, os_user FROM ohmara.laptops");
    case ServerSql::InsertRecords:
        return QStringLiteral(
            "INSERT INTO ohmara.records (id, test_time, device, device_key, tester, location, "
            "step_code, step_amperes, load_seconds, r_mantissa, r_exponent, micro_ohms, texts, "
            "raw_reply, source, added_at, added_by) SELECT r.id, r.test_time, r.device, r.device_key,"
            " r.tester, r.location, r.step_code, r.step_amperes, r.load_seconds, r.r_mantissa, "
            "r.r_exponent, r.micro_ohms, r.texts, decode(r.raw_reply, 'hex'), r.source, r.added_at, "
            "r.added_by FROM jsonb_to_recordset(CAST(? AS jsonb)) AS r(id text, test_time text, "
            "device text, device_key text, tester text, location text, step_code integer, "
            "step_amperes integer, load_seconds integer, r_mantissa bigint, r_exponent integer, "
            "micro_ohms double precision, texts text, raw_reply text, source text, added_at text, "
            "added_by text) ON CONFLICT (id) DO NOTHING");
    case ServerSql::RecordsAfter:
        return QStringLiteral(
            "SELECT seq, id, test_time, device, device_key, tester, location, step_code, "
            "step_amperes, load_seconds, r_mantissa, r_exponent, micro_ohms, texts, raw_reply, "
            "source, added_at, added_by FROM ohmara.records WHERE seq > ? ORDER BY seq LIMIT ?");
    case ServerSql::RecordStillThere:
        return QStringLiteral(
            "SELECT EXISTS (SELECT FROM ohmara.records WHERE id = ? AND seq = ?) OR EXISTS (SELECT "
            "FROM ohmara.removed WHERE id = ?)");
    case ServerSql::CountRecordsAfter:
        return QStringLiteral("SELECT count(*) FROM ohmara.records WHERE seq > ?");
    case ServerSql::RemovedAfter:
        return QStringLiteral(
            "SELECT seq, id, reason, removed_by, CAST(floor(extract(epoch FROM removed_at) * 1000) AS"
            " bigint) FROM ohmara.removed WHERE seq > ? ORDER BY seq LIMIT ?");
    case ServerSql::RemovedStillThere:
        return QStringLiteral("SELECT EXISTS (SELECT FROM ohmara.removed WHERE id = ? AND seq = ?)");
    case ServerSql::CountRemovedAfter:
        return QStringLiteral("SELECT count(*) FROM ohmara.removed WHERE seq > ?");
    case ServerSql::InsertJobAssets:
        return QStringLiteral(
            "INSERT INTO ohmara.job_assets (job, device_key, device, changed_at, changed_by) SELECT "
            "job, device_key, device, changed_at, changed_by FROM jsonb_to_recordset(CAST(? AS "
            "jsonb)) AS r(job text, device_key text, device text, changed_at text, changed_by text) "
            "ON CONFLICT (job, device_key) DO NOTHING");
    case ServerSql::JobAssetsAfter:
        return QStringLiteral(
            "SELECT seq, job, device_key, device, changed_at, changed_by FROM ohmara.job_assets WHERE"
            " seq > ? ORDER BY seq LIMIT ?");
    case ServerSql::JobAssetStillThere:
        return QStringLiteral(
            "SELECT EXISTS (SELECT FROM ohmara.job_assets WHERE job = ? AND device_key = ? AND seq = "
            "?)");
    case ServerSql::CountJobAssetsAfter:
        return QStringLiteral("SELECT count(*) FROM ohmara.job_assets WHERE seq > ?");
    case ServerSql::InsertJobRecords:
        return QStringLiteral(
            "INSERT INTO ohmara.job_records (job, record, changed_at, changed_by) SELECT job, record,"
            " changed_at, changed_by FROM jsonb_to_recordset(CAST(? AS jsonb)) AS r(job text, record "
            "text, changed_at text, changed_by text) ON CONFLICT (job, record) DO NOTHING");
    case ServerSql::JobRecordsAfter:
        return QStringLiteral(
            "SELECT seq, job, record, changed_at, changed_by FROM ohmara.job_records WHERE seq > ? "
            "ORDER BY seq LIMIT ?");
    case ServerSql::JobRecordStillThere:
        return QStringLiteral(
            "SELECT EXISTS (SELECT FROM ohmara.job_records WHERE job = ? AND record = ? AND seq = ?)");
    case ServerSql::CountJobRecordsAfter:
        return QStringLiteral("SELECT count(*) FROM ohmara.job_records WHERE seq > ?");
    case ServerSql::InsertJobVerdicts:
        return QStringLiteral(
            "INSERT INTO ohmara.job_verdicts (job, record, verdict, reasons, changed_at, changed_by) "
            "SELECT job, record, verdict, reasons, changed_at, changed_by FROM "
            "jsonb_to_recordset(CAST(? AS jsonb)) AS r(job text, record text, verdict integer, "
            "reasons text, changed_at text, changed_by text) ON CONFLICT (job, record) DO NOTHING");
    case ServerSql::JobVerdictsAfter:
        return QStringLiteral("SELECT seq, job, record, verdict, reasons, changed_at, changed_by FROM "
                              "ohmara.job_verdicts WHERE seq > ? ORDER BY seq LIMIT ?");
    case ServerSql::JobVerdictStillThere:
        return QStringLiteral(
            "SELECT EXISTS (SELECT FROM ohmara.job_verdicts WHERE job = ? AND record = ? AND seq = ?)");
    case ServerSql::CountJobVerdictsAfter:
        return QStringLiteral("SELECT count(*) FROM ohmara.job_verdicts WHERE seq > ?");
    case ServerSql::InsertAudit:
        return QStringLiteral(
            "INSERT INTO ohmara.audit (uuid, at, who, subject, item, field, old, new) SELECT uuid, "
            "at, who, subject, item, field, old, new FROM jsonb_to_recordset(CAST(? AS jsonb)) AS "
            "r(uuid text, at text, who text, subject text, item text, field text, old text, new text)"
            " ON CONFLICT (uuid) DO NOTHING");
    case ServerSql::AuditAfter:
        return QStringLiteral(
            "SELECT seq, uuid, at, who, subject, item, field, old, new FROM ohmara.audit WHERE seq > "
            "? ORDER BY seq LIMIT ?");
    case ServerSql::AuditStillThere:
        return QStringLiteral("SELECT EXISTS (SELECT FROM ohmara.audit WHERE uuid = ? AND seq = ?)");
    case ServerSql::CountAuditAfter:
        return QStringLiteral("SELECT count(*) FROM ohmara.audit WHERE seq > ?");

        // The tables whose rows change.
    case ServerSql::UpsertAsset:
        return QStringLiteral(
            "INSERT INTO ohmara.assets (device_key, device, station, bay, phase, kind, maker, model, "
            "factory_uohm, commissioning_uohm, limit_uohm, baseline_factor, rise_factor, "
            "phase_factor, note, changed_at, changed_by) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
            "?, ?, ?, (TIMESTAMPTZ 'epoch' + CAST(? AS bigint) * INTERVAL '1 millisecond'), ?) ON "
            "CONFLICT (device_key) DO UPDATE SET device = excluded.device, station = "
            "excluded.station, bay = excluded.bay, phase = excluded.phase, kind = excluded.kind, "
            "maker = excluded.maker, model = excluded.model, factory_uohm = excluded.factory_uohm, "
            "commissioning_uohm = excluded.commissioning_uohm, limit_uohm = excluded.limit_uohm, "
            "baseline_factor = excluded.baseline_factor, rise_factor = excluded.rise_factor, "
            "phase_factor = excluded.phase_factor, note = excluded.note, changed_at = "
            "excluded.changed_at, changed_by = excluded.changed_by WHERE (excluded.changed_at, "
            "excluded.changed_by) > (ohmara.assets.changed_at, ohmara.assets.changed_by) RETURNING "
            "CAST(floor(extract(epoch FROM changed_at) * 1000) AS bigint)");
    case ServerSql::ServerAsset:
        return QStringLiteral(
            "SELECT device, station, bay, phase, kind, maker, model, factory_uohm, "
            "commissioning_uohm, limit_uohm, baseline_factor, rise_factor, phase_factor, note, "
            "CAST(floor(extract(epoch FROM changed_at) * 1000) AS bigint), changed_by FROM "
            "ohmara.assets WHERE device_key = ?");
    case ServerSql::AssetsAfter:
        return QStringLiteral(
            "SELECT seq, device_key, device, station, bay, phase, kind, maker, model, factory_uohm, "
            "commissioning_uohm, limit_uohm, baseline_factor, rise_factor, phase_factor, note, "
            "CAST(floor(extract(epoch FROM changed_at) * 1000) AS bigint), changed_by FROM "
            "ohmara.assets WHERE seq > ? ORDER BY seq LIMIT ?");
    case ServerSql::AssetStillThere:
        return QStringLiteral("SELECT EXISTS (SELECT FROM ohmara.assets WHERE device_key = ? AND seq >= ?)");
    case ServerSql::CountAssetsAfter:
        return QStringLiteral("SELECT count(*) FROM ohmara.assets WHERE seq > ?");
    case ServerSql::UpsertRule:
        return QStringLiteral(
            "INSERT INTO ohmara.rules (scope, baseline_factor, rise_factor, phase_factor, changed_at,"
            " changed_by) VALUES (?, ?, ?, ?, (TIMESTAMPTZ 'epoch' + CAST(? AS bigint) * INTERVAL '1 "
            "millisecond'), ?) ON CONFLICT (scope) DO UPDATE SET baseline_factor = "
            "excluded.baseline_factor, rise_factor = excluded.rise_factor, phase_factor = "
            "excluded.phase_factor, changed_at = excluded.changed_at, changed_by = "
            "excluded.changed_by WHERE (excluded.changed_at, excluded.changed_by) > "
            "(ohmara.rules.changed_at, ohmara.rules.changed_by) RETURNING CAST(floor(extract(epoch "
            "FROM changed_at) * 1000) AS bigint)");
    case ServerSql::ServerRule:
        return QStringLiteral(
            "SELECT baseline_factor, rise_factor, phase_factor, CAST(floor(extract(epoch FROM "
            "changed_at) * 1000) AS bigint), changed_by FROM ohmara.rules WHERE scope = ?");
    case ServerSql::RulesAfter:
        return QStringLiteral(
            "SELECT seq, scope, baseline_factor, rise_factor, phase_factor, CAST(floor(extract(epoch "
            "FROM changed_at) * 1000) AS bigint), changed_by FROM ohmara.rules WHERE seq > ? ORDER BY"
            " seq LIMIT ?");
    case ServerSql::RuleStillThere:
        return QStringLiteral("SELECT EXISTS (SELECT FROM ohmara.rules WHERE scope = ? AND seq >= ?)");
    case ServerSql::CountRulesAfter:
        return QStringLiteral("SELECT count(*) FROM ohmara.rules WHERE seq > ?");
    case ServerSql::UpsertInstrument:
        return QStringLiteral(
            "INSERT INTO ohmara.instruments (uuid, model, serial, certificate, calibrated_on, "
            "valid_until, note, changed_at, changed_by) VALUES (?, ?, ?, ?, ?, ?, ?, (TIMESTAMPTZ "
            "'epoch' + CAST(? AS bigint) * INTERVAL '1 millisecond'), ?) ON CONFLICT (uuid) DO UPDATE"
            " SET model = excluded.model, serial = excluded.serial, certificate = "
            "excluded.certificate, calibrated_on = excluded.calibrated_on, valid_until = "
            "excluded.valid_until, note = excluded.note, changed_at = excluded.changed_at, changed_by"
            " = excluded.changed_by WHERE (excluded.changed_at, excluded.changed_by) > "
            "(ohmara.instruments.changed_at, ohmara.instruments.changed_by) RETURNING "
            "CAST(floor(extract(epoch FROM changed_at) * 1000) AS bigint)");
    case ServerSql::ServerInstrument:
        return QStringLiteral("SELECT model, serial, certificate, calibrated_on, valid_until, note, "
                              "CAST(floor(extract(epoch FROM changed_at) * 1000) AS bigint), changed_by FROM "
                              "ohmara.instruments WHERE uuid = ?");
    case ServerSql::InstrumentsAfter:
        return QStringLiteral(
            "SELECT seq, uuid, model, serial, certificate, calibrated_on, valid_until, note, "
            "CAST(floor(extract(epoch FROM changed_at) * 1000) AS bigint), changed_by FROM "
            "ohmara.instruments WHERE seq > ? ORDER BY seq LIMIT ?");
    case ServerSql::InstrumentStillThere:
        return QStringLiteral("SELECT EXISTS (SELECT FROM ohmara.instruments WHERE uuid = ? AND seq >= ?)");
    case ServerSql::CountInstrumentsAfter:
        return QStringLiteral("SELECT count(*) FROM ohmara.instruments WHERE seq > ?");
    case ServerSql::UpsertInterval:
        return QStringLiteral(
            "INSERT INTO ohmara.test_intervals (scope, key, months, changed_at, changed_by) VALUES "
            "(?, ?, ?, (TIMESTAMPTZ 'epoch' + CAST(? AS bigint) * INTERVAL '1 millisecond'), ?) ON "
            "CONFLICT (scope, key) DO UPDATE SET months = excluded.months, changed_at = "
            "excluded.changed_at, changed_by = excluded.changed_by WHERE (excluded.changed_at, "
            "excluded.changed_by) > (ohmara.test_intervals.changed_at, "
            "ohmara.test_intervals.changed_by) RETURNING CAST(floor(extract(epoch FROM changed_at) * "
            "1000) AS bigint)");
    case ServerSql::ServerInterval:
        return QStringLiteral(
            "SELECT months, CAST(floor(extract(epoch FROM changed_at) * 1000) AS bigint), changed_by "
            "FROM ohmara.test_intervals WHERE scope = ? AND key = ?");
    case ServerSql::IntervalsAfter:
        return QStringLiteral(
            "SELECT seq, scope, key, months, CAST(floor(extract(epoch FROM changed_at) * 1000) AS "
            "bigint), changed_by FROM ohmara.test_intervals WHERE seq > ? ORDER BY seq LIMIT ?");
    case ServerSql::IntervalStillThere:
        return QStringLiteral(
            "SELECT EXISTS (SELECT FROM ohmara.test_intervals WHERE scope = ? AND key = ? AND seq >= "
            "?)");
    case ServerSql::CountIntervalsAfter:
        return QStringLiteral("SELECT count(*) FROM ohmara.test_intervals WHERE seq > ?");
    case ServerSql::UpsertJob:
        return QStringLiteral(
            "INSERT INTO ohmara.jobs (uuid, family, revision, job_number, station, customer, kind, "
            "basis, first_day, last_day, weather, temperature, humidity, testers, instrument, "
            "conclusion, notes, revision_note, state, recorded_by, recorded_at, checked_by, "
            "checked_at, approved_by, approved_at, returned_why, expired_by, expired_at, changed_at, "
            "changed_by) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
            " ?, ?, ?, ?, ?, (TIMESTAMPTZ 'epoch' + CAST(? AS bigint) * INTERVAL '1 millisecond'), ?)"
            " ON CONFLICT (uuid) DO UPDATE SET family = excluded.family, revision = "
            "excluded.revision, job_number = excluded.job_number, station = excluded.station, "
            "customer = excluded.customer, kind = excluded.kind, basis = excluded.basis, first_day = "
            "excluded.first_day, last_day = excluded.last_day, weather = excluded.weather, "
            "temperature = excluded.temperature, humidity = excluded.humidity, testers = "
            "excluded.testers, instrument = excluded.instrument, conclusion = excluded.conclusion, "
            "notes = excluded.notes, revision_note = excluded.revision_note, state = excluded.state, "
            "recorded_by = excluded.recorded_by, recorded_at = excluded.recorded_at, checked_by = "
            "excluded.checked_by, checked_at = excluded.checked_at, approved_by = "
            "excluded.approved_by, approved_at = excluded.approved_at, returned_why = "
            "excluded.returned_why, expired_by = excluded.expired_by, expired_at = "
            "excluded.expired_at, changed_at = excluded.changed_at, changed_by = excluded.changed_by "
            "WHERE (excluded.changed_at, excluded.changed_by) > (ohmara.jobs.changed_at, "
            "ohmara.jobs.changed_by) RETURNING CAST(floor(extract(epoch FROM changed_at) * 1000) AS "
            "bigint)");
    case ServerSql::ServerJob:
        return QStringLiteral(
            "SELECT family, revision, job_number, station, customer, kind, basis, first_day, "
            "last_day, weather, temperature, humidity, testers, instrument, conclusion, notes, "
            "revision_note, state, recorded_by, recorded_at, checked_by, checked_at, approved_by, "
            "approved_at, returned_why, expired_by, expired_at, CAST(floor(extract(epoch FROM "
            "changed_at) * 1000) AS bigint), changed_by FROM ohmara.jobs WHERE uuid = ?");
    case ServerSql::JobsAfter:
        return QStringLiteral(
            "SELECT seq, uuid, family, revision, job_number, station, customer, kind, basis, "
            "first_day, last_day, weather, temperature, humidity, testers, instrument, conclusion, "
            "notes, revision_note, state, recorded_by, recorded_at, checked_by, checked_at, "
            "approved_by, approved_at, returned_why, expired_by, expired_at, CAST(floor(extract(epoch"
            " FROM changed_at) * 1000) AS bigint), changed_by FROM ohmara.jobs WHERE seq > ? ORDER BY"
            " seq LIMIT ?");
    case ServerSql::JobStillThere:
        return QStringLiteral("SELECT EXISTS (SELECT FROM ohmara.jobs WHERE uuid = ? AND seq >= ?)");
    case ServerSql::CountJobsAfter:
        return QStringLiteral("SELECT count(*) FROM ohmara.jobs WHERE seq > ?");

        // The schema and the tool's commands.
    case ServerSql::UseUtc:
        return QStringLiteral("SELECT set_config('TimeZone', 'UTC', false)");
    case ServerSql::SchemaExists:
        return QStringLiteral("SELECT to_regclass('ohmara.schema_version') IS NOT NULL");
    case ServerSql::SchemaVersion:
        return QStringLiteral(
            "SELECT version, oldest_program FROM ohmara.schema_version ORDER BY version DESC LIMIT 1");
    case ServerSql::NoStatementTimeout:
        return QStringLiteral("SELECT set_config('statement_timeout', '0', true)");
    case ServerSql::LockSchema:
        return QStringLiteral("SELECT pg_advisory_xact_lock(hashtext('ohmara.schema_version'))");
    case ServerSql::AddSchemaVersion:
        return QStringLiteral("INSERT INTO ohmara.schema_version (version, oldest_program) VALUES (?, ?)");

    // Savepoints, run as written.
    case ServerSql::SavepointPage:
        return QStringLiteral("SAVEPOINT page");
    case ServerSql::SavepointRow:
        return QStringLiteral("SAVEPOINT row");
    case ServerSql::RollbackToRow:
        return QStringLiteral("ROLLBACK TO SAVEPOINT row");
    case ServerSql::ReleaseRow:
        return QStringLiteral("RELEASE SAVEPOINT row");
    case ServerSql::RollbackToPage:
        return QStringLiteral("ROLLBACK TO SAVEPOINT page");
    }
    return {};
}

bool ServerExec(QSqlQuery& query) {
    return !query.lastError().isValid() && query.exec();
}

QSqlQuery ServerStatement(const QSqlDatabase& server, ServerSql statement) {
    QSqlQuery query(server);
    query.setForwardOnly(true);
    query.prepare(ServerSqlText(statement));
    return query;
}
