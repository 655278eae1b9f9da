-- The team server's schema, version 1, in a schema of its own ("ohmara") in the database.
-- Statements are separated by lines holding only ";". Run by the owner (init-server), in one
-- transaction with the other steps.
--
-- Every row carries the transaction that wrote it (xid) and a change number (seq), both set by the
-- server: a laptop pulls the rows of transactions that have all ended, in (xid, seq) order, and
-- keeps where it came to, so a pull is incremental and never skips a row that was committed late.
CREATE SCHEMA IF NOT EXISTS ohmara
;
CREATE TABLE ohmara.schema_version (
    version        integer PRIMARY KEY,
    oldest_program integer NOT NULL,      -- a program that knows at least this version can sync
    applied_at     timestamptz NOT NULL DEFAULT now(),
    applied_by     name NOT NULL DEFAULT session_user
)
;
CREATE SEQUENCE ohmara.change_seq
;
CREATE FUNCTION ohmara.stamp_change() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    NEW.xid := pg_current_xact_id()::text::bigint;
    NEW.seq := nextval('ohmara.change_seq');
    NEW.received_at := now();
    NEW.received_by := session_user;
    RETURN NEW;
END
$$
;
CREATE FUNCTION ohmara.keep_records() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    RAISE EXCEPTION 'records are kept as they were stored' USING ERRCODE = 'insufficient_privilege';
END
$$
;
CREATE TABLE ohmara.records (
    id           text PRIMARY KEY,
    test_time    text,
    device       text NOT NULL,
    device_key   text NOT NULL,
    tester       text NOT NULL,
    location     text NOT NULL,
    step_code    integer,
    step_amperes integer,
    load_seconds integer,
    r_mantissa   bigint,
    r_exponent   integer,
    micro_ohms   double precision,
    texts        text NOT NULL,
    raw_reply    bytea,
    source       text NOT NULL,
    added_at     text NOT NULL,
    added_by     text NOT NULL,
    xid          bigint NOT NULL,
    seq          bigint NOT NULL,
    received_at  timestamptz NOT NULL,
    received_by  name NOT NULL
)
;
CREATE INDEX records_pull ON ohmara.records (xid, seq)
;
CREATE INDEX records_by_device ON ohmara.records (device_key, step_amperes, test_time)
;
CREATE TRIGGER records_stamp BEFORE INSERT ON ohmara.records
    FOR EACH ROW EXECUTE FUNCTION ohmara.stamp_change()
;
CREATE TRIGGER records_kept BEFORE UPDATE OR DELETE ON ohmara.records
    FOR EACH ROW EXECUTE FUNCTION ohmara.keep_records()
;
CREATE TRIGGER records_kept_whole BEFORE TRUNCATE ON ohmara.records
    FOR EACH STATEMENT EXECUTE FUNCTION ohmara.keep_records()
;
CREATE TABLE ohmara.assets (
    device_key         text PRIMARY KEY,
    device             text NOT NULL,
    station            text NOT NULL DEFAULT '',
    bay                text NOT NULL DEFAULT '',
    phase              text NOT NULL DEFAULT '',
    kind               text NOT NULL DEFAULT '',
    maker              text NOT NULL DEFAULT '',
    model              text NOT NULL DEFAULT '',
    factory_uohm       text NOT NULL DEFAULT '',
    commissioning_uohm text NOT NULL DEFAULT '',
    limit_uohm         text NOT NULL DEFAULT '',
    baseline_factor    text NOT NULL DEFAULT '',
    rise_factor        text NOT NULL DEFAULT '',
    phase_factor       text NOT NULL DEFAULT '',
    note               text NOT NULL DEFAULT '',
    changed_at         timestamptz NOT NULL,
    changed_by         text NOT NULL,
    xid                bigint NOT NULL,
    seq                bigint NOT NULL,
    received_at        timestamptz NOT NULL,
    received_by        name NOT NULL
)
;
CREATE INDEX assets_pull ON ohmara.assets (xid, seq)
;
CREATE TRIGGER assets_stamp BEFORE INSERT OR UPDATE ON ohmara.assets
    FOR EACH ROW EXECUTE FUNCTION ohmara.stamp_change()
;
CREATE TABLE ohmara.rules (
    scope           text PRIMARY KEY,
    baseline_factor text NOT NULL,
    rise_factor     text NOT NULL,
    phase_factor    text NOT NULL,
    changed_at      timestamptz NOT NULL,
    changed_by      text NOT NULL,
    xid             bigint NOT NULL,
    seq             bigint NOT NULL,
    received_at     timestamptz NOT NULL,
    received_by     name NOT NULL
)
;
CREATE INDEX rules_pull ON ohmara.rules (xid, seq)
;
CREATE TRIGGER rules_stamp BEFORE INSERT OR UPDATE ON ohmara.rules
    FOR EACH ROW EXECUTE FUNCTION ohmara.stamp_change()
;
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'ohmara_engineer') THEN
        CREATE ROLE ohmara_engineer NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'ohmara_viewer') THEN
        CREATE ROLE ohmara_viewer NOLOGIN;
    END IF;
END
$$
;
REVOKE ALL ON SCHEMA ohmara FROM PUBLIC
;
REVOKE ALL ON ALL TABLES IN SCHEMA ohmara FROM PUBLIC
;
GRANT USAGE ON SCHEMA ohmara TO ohmara_engineer, ohmara_viewer
;
GRANT SELECT ON ALL TABLES IN SCHEMA ohmara TO ohmara_engineer, ohmara_viewer
;
GRANT INSERT ON ohmara.records TO ohmara_engineer
;
GRANT INSERT, UPDATE ON ohmara.assets, ohmara.rules TO ohmara_engineer
