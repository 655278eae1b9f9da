-- The team server's schema, version 3, on top of version 2 (same conventions). Additive: new
-- tables only, so that programs that know version 2 keep syncing the tables they know.
--
-- The laptops' names: each laptop says at each sync which host and user it is, through
-- ohmara.name_laptop (any of the program's roles, a viewer too); the login that first named a
-- laptop is the only one that may rename it. The sync log shows these names instead of the ids.
CREATE TABLE ohmara.laptops (
    laptop_id text PRIMARY KEY CHECK (char_length(laptop_id) <= 256),
    host      text NOT NULL CHECK (char_length(host) <= 256),
    os_user   text NOT NULL CHECK (char_length(os_user) <= 256),
    login     name NOT NULL,
    seen_at   timestamptz NOT NULL
)
;
CREATE FUNCTION ohmara.name_laptop(laptop text, host_name text, user_name text) RETURNS void
    LANGUAGE sql SECURITY DEFINER SET search_path = pg_catalog, pg_temp AS $$
    INSERT INTO ohmara.laptops AS l (laptop_id, host, os_user, login, seen_at)
    VALUES (left(laptop, 256), left(host_name, 256), left(user_name, 256), session_user, now())
    ON CONFLICT (laptop_id) DO UPDATE SET host = excluded.host, os_user = excluded.os_user,
                                          seen_at = excluded.seen_at
    WHERE l.login = session_user
$$
;
REVOKE ALL ON FUNCTION ohmara.name_laptop(text, text, text) FROM PUBLIC
;
GRANT EXECUTE ON FUNCTION ohmara.name_laptop(text, text, text) TO ohmara_engineer, ohmara_viewer
;
GRANT SELECT ON ohmara.laptops TO ohmara_engineer, ohmara_viewer
;
-- Test jobs, their instruments, test intervals and the audit trail, as the laptops keep them.
-- Instruments, intervals and job revisions change (the newest change wins); the assets, records
-- and verdicts of a revision and the audit trail are only ever added (merged by union).
CREATE TABLE ohmara.instruments (
    uuid          text PRIMARY KEY CHECK (char_length(uuid) <= 256),
    model         text NOT NULL DEFAULT '',
    serial        text NOT NULL CHECK (char_length(serial) <= 256),
    certificate   text NOT NULL DEFAULT '',
    calibrated_on text NOT NULL DEFAULT '',
    valid_until   text NOT NULL DEFAULT '',
    note          text NOT NULL DEFAULT '',
    changed_at    timestamptz NOT NULL,
    changed_by    text NOT NULL,
    xid           bigint NOT NULL,
    seq           bigint NOT NULL,
    received_at   timestamptz NOT NULL,
    received_by   name NOT NULL
)
;
CREATE TABLE ohmara.test_intervals (
    scope       text NOT NULL CHECK (char_length(scope) <= 16),
    key         text NOT NULL CHECK (char_length(key) <= 256),
    months      integer NOT NULL CHECK (months BETWEEN 0 AND 240), -- 0: the scope's own interval removed
    changed_at  timestamptz NOT NULL,
    changed_by  text NOT NULL,
    xid         bigint NOT NULL,
    seq         bigint NOT NULL,
    received_at timestamptz NOT NULL,
    received_by name NOT NULL,
    PRIMARY KEY (scope, key)
)
;
CREATE TABLE ohmara.jobs (
    uuid          text PRIMARY KEY CHECK (char_length(uuid) <= 256),
    family        text NOT NULL CHECK (char_length(family) <= 256),
    revision      integer NOT NULL,
    job_number    text NOT NULL CHECK (char_length(job_number) <= 256),
    station       text NOT NULL DEFAULT '' CHECK (char_length(station) <= 256),
    customer      text NOT NULL DEFAULT '',
    kind          text NOT NULL DEFAULT '',
    basis         text NOT NULL DEFAULT '',
    first_day     text NOT NULL DEFAULT '',
    last_day      text NOT NULL DEFAULT '',
    weather       text NOT NULL DEFAULT '',
    temperature   text NOT NULL DEFAULT '',
    humidity      text NOT NULL DEFAULT '',
    testers       text NOT NULL DEFAULT '',
    instrument    text NOT NULL DEFAULT '',
    conclusion    text NOT NULL DEFAULT '',
    notes         text NOT NULL DEFAULT '',
    revision_note text NOT NULL DEFAULT '',
    state         text NOT NULL DEFAULT 'draft' CHECK (state IN ('draft', 'checking', 'approved')),
    recorded_by   text NOT NULL DEFAULT '',
    recorded_at   text NOT NULL DEFAULT '',
    checked_by    text NOT NULL DEFAULT '',
    checked_at    text NOT NULL DEFAULT '',
    approved_by   text NOT NULL DEFAULT '',
    approved_at   text NOT NULL DEFAULT '',
    returned_why  text NOT NULL DEFAULT '',
    expired_by    text NOT NULL DEFAULT '',
    expired_at    text NOT NULL DEFAULT '',
    changed_at    timestamptz NOT NULL,
    changed_by    text NOT NULL,
    xid           bigint NOT NULL,
    seq           bigint NOT NULL,
    received_at   timestamptz NOT NULL,
    received_by   name NOT NULL
)
;
CREATE TABLE ohmara.job_assets (
    job         text NOT NULL CHECK (char_length(job) <= 256),
    device_key  text NOT NULL CHECK (char_length(device_key) <= 256),
    device      text NOT NULL,
    changed_at  text NOT NULL,
    changed_by  text NOT NULL,
    xid         bigint NOT NULL,
    seq         bigint NOT NULL,
    received_at timestamptz NOT NULL,
    received_by name NOT NULL,
    PRIMARY KEY (job, device_key)
)
;
CREATE TABLE ohmara.job_records (
    job         text NOT NULL CHECK (char_length(job) <= 256),
    record      text NOT NULL CHECK (char_length(record) <= 256),
    changed_at  text NOT NULL,
    changed_by  text NOT NULL,
    xid         bigint NOT NULL,
    seq         bigint NOT NULL,
    received_at timestamptz NOT NULL,
    received_by name NOT NULL,
    PRIMARY KEY (job, record)
)
;
CREATE TABLE ohmara.job_verdicts (
    job         text NOT NULL CHECK (char_length(job) <= 256),
    record      text NOT NULL CHECK (char_length(record) <= 256),
    verdict     integer NOT NULL,
    reasons     text NOT NULL,
    changed_at  text NOT NULL,
    changed_by  text NOT NULL,
    xid         bigint NOT NULL,
    seq         bigint NOT NULL,
    received_at timestamptz NOT NULL,
    received_by name NOT NULL,
    PRIMARY KEY (job, record)
)
;
CREATE TABLE ohmara.audit (
    uuid        text PRIMARY KEY CHECK (char_length(uuid) <= 256),
    at          text NOT NULL,
    who         text NOT NULL,
    subject     text NOT NULL,
    item        text NOT NULL,
    field       text NOT NULL,
    old         text NOT NULL,
    new         text NOT NULL,
    xid         bigint NOT NULL,
    seq         bigint NOT NULL,
    received_at timestamptz NOT NULL,
    received_by name NOT NULL
)
;
CREATE INDEX instruments_by_seq ON ohmara.instruments (seq)
;
CREATE INDEX test_intervals_by_seq ON ohmara.test_intervals (seq)
;
CREATE INDEX jobs_by_seq ON ohmara.jobs (seq)
;
CREATE INDEX job_assets_by_seq ON ohmara.job_assets (seq)
;
CREATE INDEX job_records_by_seq ON ohmara.job_records (seq)
;
CREATE INDEX job_verdicts_by_seq ON ohmara.job_verdicts (seq)
;
CREATE INDEX audit_by_seq ON ohmara.audit (seq)
;
CREATE TRIGGER instruments_stamp BEFORE INSERT OR UPDATE ON ohmara.instruments
    FOR EACH ROW EXECUTE FUNCTION ohmara.stamp_change()
;
CREATE TRIGGER instruments_check BEFORE INSERT OR UPDATE ON ohmara.instruments
    FOR EACH ROW EXECUTE FUNCTION ohmara.check_change()
;
CREATE TRIGGER test_intervals_stamp BEFORE INSERT OR UPDATE ON ohmara.test_intervals
    FOR EACH ROW EXECUTE FUNCTION ohmara.stamp_change()
;
CREATE TRIGGER test_intervals_check BEFORE INSERT OR UPDATE ON ohmara.test_intervals
    FOR EACH ROW EXECUTE FUNCTION ohmara.check_change()
;
CREATE TRIGGER jobs_stamp BEFORE INSERT OR UPDATE ON ohmara.jobs
    FOR EACH ROW EXECUTE FUNCTION ohmara.stamp_change()
;
CREATE TRIGGER jobs_check BEFORE INSERT OR UPDATE ON ohmara.jobs
    FOR EACH ROW EXECUTE FUNCTION ohmara.check_change()
;
CREATE TRIGGER job_assets_stamp BEFORE INSERT ON ohmara.job_assets
    FOR EACH ROW EXECUTE FUNCTION ohmara.stamp_change()
;
CREATE TRIGGER job_records_stamp BEFORE INSERT ON ohmara.job_records
    FOR EACH ROW EXECUTE FUNCTION ohmara.stamp_change()
;
CREATE TRIGGER job_verdicts_stamp BEFORE INSERT ON ohmara.job_verdicts
    FOR EACH ROW EXECUTE FUNCTION ohmara.stamp_change()
;
CREATE TRIGGER audit_stamp BEFORE INSERT ON ohmara.audit
    FOR EACH ROW EXECUTE FUNCTION ohmara.stamp_change()
;
-- An approved revision is kept as it was approved, whoever asks (the owner too): its row, and
-- the assets, records and verdicts of it. A refusal carries SQLSTATE OH001, which the program
-- recognises: the change is set aside in its sync log and the rest of the sync goes on.
CREATE FUNCTION ohmara.keep_approved_job() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF OLD.state = 'approved' THEN
        RAISE EXCEPTION 'job % revision % is approved and kept as it was', OLD.job_number, OLD.revision
            USING ERRCODE = 'OH001';
    END IF;
    IF TG_OP = 'DELETE' THEN
        RETURN OLD;
    END IF;
    RETURN NEW;
END
$$
;
CREATE TRIGGER jobs_approved_kept BEFORE UPDATE OR DELETE ON ohmara.jobs
    FOR EACH ROW EXECUTE FUNCTION ohmara.keep_approved_job()
;
CREATE FUNCTION ohmara.keep_approved_part() RETURNS trigger LANGUAGE plpgsql
    SET search_path = pg_catalog, pg_temp AS $$
DECLARE
    job_id text := CASE TG_OP WHEN 'INSERT' THEN NEW.job ELSE OLD.job END;
    part jsonb := to_jsonb(CASE TG_OP WHEN 'INSERT' THEN NEW ELSE OLD END)
                  - ARRAY['xid', 'seq', 'received_at', 'received_by'];
    same boolean;
BEGIN
    IF NOT EXISTS (SELECT FROM ohmara.jobs WHERE uuid = job_id AND state = 'approved') THEN
        IF TG_OP = 'DELETE' THEN
            RETURN OLD;
        END IF;
        RETURN NEW;
    END IF;
    IF TG_OP = 'INSERT' THEN
        -- A part sent again (the server already holds it) is no change.
        EXECUTE format('SELECT EXISTS (SELECT FROM %I.%I AS t WHERE to_jsonb(t) - $2 = $1)',
                       TG_TABLE_SCHEMA, TG_TABLE_NAME)
            INTO same USING part, ARRAY['xid', 'seq', 'received_at', 'received_by'];
        IF same THEN
            RETURN NEW;
        END IF;
    END IF;
    RAISE EXCEPTION 'job % is approved and kept as it was', job_id USING ERRCODE = 'OH001';
END
$$
;
CREATE TRIGGER job_assets_approved_kept BEFORE INSERT OR UPDATE OR DELETE ON ohmara.job_assets
    FOR EACH ROW EXECUTE FUNCTION ohmara.keep_approved_part()
;
CREATE TRIGGER job_records_approved_kept BEFORE INSERT OR UPDATE OR DELETE ON ohmara.job_records
    FOR EACH ROW EXECUTE FUNCTION ohmara.keep_approved_part()
;
CREATE TRIGGER job_verdicts_approved_kept BEFORE INSERT OR UPDATE OR DELETE ON ohmara.job_verdicts
    FOR EACH ROW EXECUTE FUNCTION ohmara.keep_approved_part()
;
CREATE TRIGGER audit_kept BEFORE UPDATE OR DELETE ON ohmara.audit
    FOR EACH ROW EXECUTE FUNCTION ohmara.keep_records()
;
GRANT SELECT ON ohmara.instruments, ohmara.test_intervals, ohmara.jobs, ohmara.job_assets, ohmara.job_records,
                ohmara.job_verdicts, ohmara.audit TO ohmara_engineer, ohmara_viewer
;
GRANT INSERT (uuid, model, serial, certificate, calibrated_on, valid_until, note, changed_at, changed_by),
      UPDATE (model, serial, certificate, calibrated_on, valid_until, note, changed_at, changed_by)
    ON ohmara.instruments TO ohmara_engineer
;
GRANT INSERT (scope, key, months, changed_at, changed_by), UPDATE (months, changed_at, changed_by)
    ON ohmara.test_intervals TO ohmara_engineer
;
GRANT INSERT (uuid, family, revision, job_number, station, customer, kind, basis, first_day, last_day, weather,
              temperature, humidity, testers, instrument, conclusion, notes, revision_note, state,
              recorded_by, recorded_at, checked_by, checked_at, approved_by, approved_at, returned_why,
              expired_by, expired_at, changed_at, changed_by),
      UPDATE (family, revision, job_number, station, customer, kind, basis, first_day, last_day, weather, temperature, humidity, testers,
              instrument, conclusion, notes, revision_note, state, recorded_by, recorded_at, checked_by,
              checked_at, approved_by, approved_at, returned_why, expired_by, expired_at, changed_at,
              changed_by)
    ON ohmara.jobs TO ohmara_engineer
;
GRANT INSERT (job, device_key, device, changed_at, changed_by) ON ohmara.job_assets TO ohmara_engineer
;
GRANT INSERT (job, record, changed_at, changed_by) ON ohmara.job_records TO ohmara_engineer
;
GRANT INSERT (job, record, verdict, reasons, changed_at, changed_by) ON ohmara.job_verdicts TO ohmara_engineer
;
GRANT INSERT (uuid, at, who, subject, item, field, old, new) ON ohmara.audit TO ohmara_engineer
