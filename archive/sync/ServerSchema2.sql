-- The team server's schema, version 2, on top of version 1 (same conventions).
--
-- Change numbers in commit order: a writing transaction takes one lock before its first change
-- number and keeps it to its end, so numbers are handed out in the order transactions commit. A
-- laptop pulls by change number alone, up to the largest it sees, and never waits for sessions
-- that do not write (a viewer's open transaction, a laptop gone quiet after a read).
-- Writers in progress while this step runs finish first, under the old numbering.
LOCK TABLE ohmara.records, ohmara.assets, ohmara.rules IN EXCLUSIVE MODE
;
CREATE OR REPLACE FUNCTION ohmara.stamp_change() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp AS $$
BEGIN
    PERFORM pg_advisory_xact_lock(hashtext('ohmara.change_seq'));
    NEW.xid := pg_current_xact_id()::text::bigint;
    NEW.seq := nextval('ohmara.change_seq');
    NEW.received_at := now();
    NEW.received_by := session_user;
    RETURN NEW;
END
$$
;
CREATE INDEX records_by_seq ON ohmara.records (seq)
;
CREATE INDEX assets_by_seq ON ohmara.assets (seq)
;
CREATE INDEX rules_by_seq ON ohmara.rules (seq)
;
-- The server's identity, made once: a laptop that finds another one (a new server, another
-- team's) sends and takes everything again. A dump restored elsewhere keeps it, with the change
-- numbers; a laptop also checks that the rows it came to are still where it left them.
CREATE TABLE ohmara.server_identity (
    id      uuid PRIMARY KEY DEFAULT gen_random_uuid(),
    made_at timestamptz NOT NULL DEFAULT now()
)
;
INSERT INTO ohmara.server_identity DEFAULT VALUES
;
-- Lengths the indexes hold in any encoding, the same limits the program keeps on the way in.
-- Rows of an older program that break them stay (NOT VALID); new ones are refused one by one.
ALTER TABLE ohmara.records ADD CONSTRAINT records_device_length
    CHECK (char_length(device) <= 256 AND char_length(device_key) <= 256) NOT VALID
;
ALTER TABLE ohmara.assets ADD CONSTRAINT assets_key_length
    CHECK (char_length(device) <= 256 AND char_length(device_key) <= 256
           AND char_length(station) <= 256 AND char_length(bay) <= 256) NOT VALID
;
ALTER TABLE ohmara.rules ADD CONSTRAINT rules_scope_length CHECK (char_length(scope) <= 256) NOT VALID
;
-- The program's roles do not hold a lock, a statement or an idle transaction for long: a laptop
-- gone quiet in the middle of a push releases the other writers. (Per database: settings of a
-- group role do not pass to its members.) An administrator may SET other values in a session.
DO $$
BEGIN
    EXECUTE format('ALTER DATABASE %I SET idle_in_transaction_session_timeout = %L',
                   current_database(), '2min');
    EXECUTE format('ALTER DATABASE %I SET lock_timeout = %L', current_database(), '30s');
    EXECUTE format('ALTER DATABASE %I SET statement_timeout = %L', current_database(), '10min');
END
$$
;
GRANT SELECT ON ohmara.server_identity TO ohmara_engineer, ohmara_viewer
;
-- What engineers write is checked here, whatever program or psql sends it (the owner is trusted).
-- A record's identity is derived from its values as the program derives it (a SHA-1 of time,
-- device, step, load time and tenths of a micro-ohm, each falling back to its text); a U+FFFD in
-- the device may stand for the U+0000 that the server's texts cannot hold.
CREATE EXTENSION IF NOT EXISTS pgcrypto
;
CREATE FUNCTION ohmara.record_identity(test_time text, device text, step_amperes integer,
                                       load_seconds integer, micro_ohms double precision, texts text,
                                       nul_marks boolean) RETURNS text
    LANGUAGE plpgsql STABLE SECURITY DEFINER AS $$
DECLARE
    shown json := CAST(texts AS json);
    blank text := (SELECT string_agg(chr(c), '') FROM generate_series(1, 32) AS c);
    tenths double precision := micro_ohms * 10;
    device_bytes bytea := convert_to(device, 'UTF8');
    part text;
    first boolean := true;
BEGIN
    IF nul_marks THEN
        device_bytes := '';
        FOREACH part IN ARRAY string_to_array(device, U&'\FFFD') LOOP
            IF NOT first THEN
                device_bytes := device_bytes || '\x00'::bytea;
            END IF;
            device_bytes := device_bytes || convert_to(part, 'UTF8');
            first := false;
        END LOOP;
    END IF;
    RETURN encode(digest(
        convert_to('v1' || chr(31) || COALESCE(test_time, 't:' || btrim(shown ->> 1, blank)) || chr(31), 'UTF8')
        || device_bytes ||
        convert_to(chr(31) || COALESCE(CAST(step_amperes AS text), 't:' || btrim(shown ->> 5, blank))
                   || chr(31) || COALESCE(CAST(load_seconds AS text), 't:' || btrim(shown ->> 6, blank))
                   || chr(31) || COALESCE(CAST(CAST(CASE WHEN tenths >= 0 THEN floor(tenths + 0.5)
                                                        ELSE ceil(tenths - 0.5) END AS bigint) AS text),
                                          't:' || btrim(shown ->> 7, blank)), 'UTF8'),
        'sha1'), 'hex');
END
$$
;
DO $$
BEGIN
    EXECUTE format('ALTER FUNCTION ohmara.record_identity(text, text, integer, integer, double precision, '
                   'text, boolean) SET search_path = %I, pg_catalog, pg_temp',
                   (SELECT n.nspname FROM pg_extension AS e JOIN pg_namespace AS n ON n.oid = e.extnamespace
                    WHERE e.extname = 'pgcrypto'));
END
$$
;
CREATE FUNCTION ohmara.written_by_owner(relation oid) RETURNS boolean LANGUAGE sql STABLE AS $$
    SELECT pg_has_role(current_user, (SELECT relowner FROM pg_class WHERE oid = relation), 'USAGE')
$$
;
-- Records an owner removed (ohmara.remove_record): the laptops take them as they take records
-- and delete their copies; the server takes such a record no more.
CREATE TABLE ohmara.removed (
    id          text PRIMARY KEY,
    reason      text NOT NULL,
    removed_at  timestamptz NOT NULL DEFAULT now(),
    removed_by  name NOT NULL DEFAULT session_user,
    xid         bigint NOT NULL,
    seq         bigint NOT NULL,
    received_at timestamptz NOT NULL,
    received_by name NOT NULL
)
;
CREATE INDEX removed_by_seq ON ohmara.removed (seq)
;
CREATE TRIGGER removed_stamp BEFORE INSERT ON ohmara.removed
    FOR EACH ROW EXECUTE FUNCTION ohmara.stamp_change()
;
CREATE FUNCTION ohmara.check_record() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF EXISTS (SELECT FROM ohmara.removed WHERE id = NEW.id) THEN
        RETURN NULL;
    END IF;
    IF ohmara.written_by_owner(TG_RELID) THEN
        RETURN NEW;
    END IF;
    IF json_typeof(CAST(NEW.texts AS json)) IS DISTINCT FROM 'array' THEN
        RAISE EXCEPTION 'record %: texts are not a JSON array', NEW.id USING ERRCODE = 'check_violation';
    END IF;
    IF NEW.id IS DISTINCT FROM ohmara.record_identity(NEW.test_time, NEW.device, NEW.step_amperes,
                                                      NEW.load_seconds, NEW.micro_ohms, NEW.texts, false)
       AND (strpos(NEW.device, U&'\FFFD') = 0
            OR NEW.id IS DISTINCT FROM ohmara.record_identity(NEW.test_time, NEW.device, NEW.step_amperes,
                                                              NEW.load_seconds, NEW.micro_ohms, NEW.texts,
                                                              true)) THEN
        RAISE EXCEPTION 'record %: the identity does not match the values', NEW.id
            USING ERRCODE = 'check_violation';
    END IF;
    RETURN NEW;
END
$$
;
CREATE TRIGGER records_check BEFORE INSERT ON ohmara.records
    FOR EACH ROW EXECUTE FUNCTION ohmara.check_record()
;
-- A change time in the future would win over every later change: the server's clock caps it.
CREATE FUNCTION ohmara.check_change() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF NEW.changed_at > now() THEN
        NEW.changed_at := now();
    END IF;
    RETURN NEW;
END
$$
;
CREATE TRIGGER assets_check BEFORE INSERT OR UPDATE ON ohmara.assets
    FOR EACH ROW EXECUTE FUNCTION ohmara.check_change()
;
CREATE TRIGGER rules_check BEFORE INSERT OR UPDATE ON ohmara.rules
    FOR EACH ROW EXECUTE FUNCTION ohmara.check_change()
;
-- Engineers change the values and who changed them when, never a key or the server's stamps.
REVOKE INSERT ON ohmara.records FROM ohmara_engineer
;
GRANT INSERT (id, test_time, device, device_key, tester, location, step_code, step_amperes, load_seconds,
              r_mantissa, r_exponent, micro_ohms, texts, raw_reply, source, added_at, added_by)
    ON ohmara.records TO ohmara_engineer
;
REVOKE INSERT, UPDATE ON ohmara.assets, ohmara.rules FROM ohmara_engineer
;
GRANT INSERT (device_key, device, station, bay, phase, kind, maker, model, factory_uohm, commissioning_uohm,
              limit_uohm, baseline_factor, rise_factor, phase_factor, note, changed_at, changed_by),
      UPDATE (device, station, bay, phase, kind, maker, model, factory_uohm, commissioning_uohm, limit_uohm,
              baseline_factor, rise_factor, phase_factor, note, changed_at, changed_by)
    ON ohmara.assets TO ohmara_engineer
;
GRANT INSERT (scope, baseline_factor, rise_factor, phase_factor, changed_at, changed_by),
      UPDATE (baseline_factor, rise_factor, phase_factor, changed_at, changed_by)
    ON ohmara.rules TO ohmara_engineer
;
-- An owner's way to take a bad record away, from the server and, at their next sync, from every
-- laptop: SELECT ohmara.remove_record('<id>', '<why>'). The removal stays in ohmara.removed.
CREATE OR REPLACE FUNCTION ohmara.keep_records() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    IF TG_OP = 'DELETE' AND current_setting('ohmara.removing', true) = 'on' THEN
        RETURN OLD;
    END IF;
    RAISE EXCEPTION 'records are kept as they were stored' USING ERRCODE = 'insufficient_privilege';
END
$$
;
CREATE FUNCTION ohmara.remove_record(record_id text, why text) RETURNS boolean LANGUAGE plpgsql AS $$
DECLARE
    held boolean;
BEGIN
    PERFORM set_config('ohmara.removing', 'on', true);
    DELETE FROM ohmara.records WHERE id = record_id;
    held := FOUND;
    PERFORM set_config('ohmara.removing', 'off', true);
    INSERT INTO ohmara.removed (id, reason) VALUES (record_id, why) ON CONFLICT (id) DO NOTHING;
    RETURN held;
END
$$
;
REVOKE ALL ON FUNCTION ohmara.remove_record(text, text) FROM PUBLIC
;
GRANT SELECT ON ohmara.removed TO ohmara_engineer, ohmara_viewer
