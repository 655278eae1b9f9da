-- Version 4 of the local archive: test jobs, the instruments and the audit trail. Additive: older
-- programs keep reading and writing the tables they know. Keys are uuids and every row carries
-- changed_at, changed_by (laptop_id) and pushed, as the register does, so that they can be synced.
CREATE TABLE instruments (
    uuid          TEXT PRIMARY KEY,
    model         TEXT NOT NULL DEFAULT '',
    serial        TEXT NOT NULL,                -- as the instrument reports it
    certificate   TEXT NOT NULL DEFAULT '',
    calibrated_on TEXT NOT NULL DEFAULT '',     -- yyyy-MM-dd or ''
    valid_until   TEXT NOT NULL DEFAULT '',     -- yyyy-MM-dd or ''
    note          TEXT NOT NULL DEFAULT '',
    changed_at    TEXT NOT NULL,
    changed_by    TEXT NOT NULL,
    pushed        INTEGER NOT NULL DEFAULT 0
)
;
CREATE UNIQUE INDEX instruments_by_serial ON instruments (serial)
;
-- One row per revision of a job; the revisions of one job share its family (the first one's uuid).
CREATE TABLE jobs (
    uuid          TEXT PRIMARY KEY,
    family        TEXT NOT NULL,
    revision      INTEGER NOT NULL DEFAULT 1,
    job_number    TEXT NOT NULL,
    station       TEXT NOT NULL DEFAULT '',
    customer      TEXT NOT NULL DEFAULT '',     -- the unit the tests are made for
    kind          TEXT NOT NULL DEFAULT '',
    basis         TEXT NOT NULL DEFAULT '',
    first_day     TEXT NOT NULL DEFAULT '',     -- yyyy-MM-dd
    last_day      TEXT NOT NULL DEFAULT '',
    weather       TEXT NOT NULL DEFAULT '',
    temperature   TEXT NOT NULL DEFAULT '',     -- °C, exact text or ''
    humidity      TEXT NOT NULL DEFAULT '',     -- %, exact text or ''
    testers       TEXT NOT NULL DEFAULT '',
    instrument    TEXT NOT NULL DEFAULT '',     -- instruments.uuid or ''
    conclusion    TEXT NOT NULL DEFAULT '',
    notes         TEXT NOT NULL DEFAULT '',
    revision_note TEXT NOT NULL DEFAULT '',     -- what this revision changed
    state         TEXT NOT NULL DEFAULT 'draft', -- 'draft', 'checking', 'approved'
    recorded_by   TEXT NOT NULL DEFAULT '',
    recorded_at   TEXT NOT NULL DEFAULT '',
    checked_by    TEXT NOT NULL DEFAULT '',
    checked_at    TEXT NOT NULL DEFAULT '',
    approved_by   TEXT NOT NULL DEFAULT '',
    approved_at   TEXT NOT NULL DEFAULT '',
    returned_why  TEXT NOT NULL DEFAULT '',
    expired_by    TEXT NOT NULL DEFAULT '',     -- went on with an instrument past its calibration
    expired_at    TEXT NOT NULL DEFAULT '',
    changed_at    TEXT NOT NULL,
    changed_by    TEXT NOT NULL,
    pushed        INTEGER NOT NULL DEFAULT 0,
    UNIQUE (family, revision)
)
;
CREATE INDEX jobs_by_number ON jobs (job_number)
;
CREATE TABLE job_assets (                      -- the planned assets
    job        TEXT NOT NULL,
    device_key TEXT NOT NULL,
    device     TEXT NOT NULL,
    changed_at TEXT NOT NULL,
    changed_by TEXT NOT NULL,
    pushed     INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (job, device_key)
)
;
CREATE TABLE job_records (
    job        TEXT NOT NULL,
    record     TEXT NOT NULL,                  -- records.id
    changed_at TEXT NOT NULL,
    changed_by TEXT NOT NULL,
    pushed     INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (job, record)
)
;
CREATE INDEX job_records_by_record ON job_records (record)
;
CREATE TABLE job_verdicts (                    -- each record's verdict as judged at approval
    job        TEXT NOT NULL,
    record     TEXT NOT NULL,
    verdict    INTEGER NOT NULL,
    reasons    TEXT NOT NULL,
    changed_at TEXT NOT NULL,
    changed_by TEXT NOT NULL,
    pushed     INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (job, record)
)
;
-- An approved revision is locked for every writer (this program, an import, the tool, a sync):
-- only its pushed mark may change.
CREATE TRIGGER jobs_approved_locked BEFORE UPDATE ON jobs
WHEN OLD.state = 'approved' AND (
    NEW.uuid IS NOT OLD.uuid OR NEW.family IS NOT OLD.family OR NEW.revision IS NOT OLD.revision OR
    NEW.job_number IS NOT OLD.job_number OR NEW.station IS NOT OLD.station OR NEW.kind IS NOT OLD.kind OR
    NEW.basis IS NOT OLD.basis OR NEW.first_day IS NOT OLD.first_day OR NEW.last_day IS NOT OLD.last_day OR
    NEW.weather IS NOT OLD.weather OR NEW.temperature IS NOT OLD.temperature OR
    NEW.humidity IS NOT OLD.humidity OR NEW.testers IS NOT OLD.testers OR
    NEW.instrument IS NOT OLD.instrument OR NEW.conclusion IS NOT OLD.conclusion OR
    NEW.notes IS NOT OLD.notes OR NEW.revision_note IS NOT OLD.revision_note OR
    NEW.state IS NOT OLD.state OR NEW.recorded_by IS NOT OLD.recorded_by OR
    NEW.recorded_at IS NOT OLD.recorded_at OR NEW.checked_by IS NOT OLD.checked_by OR
    NEW.checked_at IS NOT OLD.checked_at OR NEW.approved_by IS NOT OLD.approved_by OR
    NEW.approved_at IS NOT OLD.approved_at OR NEW.returned_why IS NOT OLD.returned_why OR
    NEW.expired_by IS NOT OLD.expired_by OR NEW.expired_at IS NOT OLD.expired_at OR
    NEW.customer IS NOT OLD.customer)
BEGIN
    SELECT RAISE(ABORT, 'approved job is locked');
END
;
CREATE TRIGGER jobs_approved_kept BEFORE DELETE ON jobs WHEN OLD.state = 'approved'
BEGIN
    SELECT RAISE(ABORT, 'approved job is locked');
END
;
CREATE TRIGGER job_assets_locked_insert BEFORE INSERT ON job_assets
WHEN (SELECT state FROM jobs WHERE uuid = NEW.job) IS NOT 'draft'
BEGIN
    SELECT RAISE(ABORT, 'only a draft job changes');
END
;
CREATE TRIGGER job_assets_locked_delete BEFORE DELETE ON job_assets
WHEN (SELECT state FROM jobs WHERE uuid = OLD.job) = 'approved'
BEGIN
    SELECT RAISE(ABORT, 'approved job is locked');
END
;
CREATE TRIGGER job_records_locked_insert BEFORE INSERT ON job_records
WHEN (SELECT state FROM jobs WHERE uuid = NEW.job) IS NOT 'draft'
BEGIN
    SELECT RAISE(ABORT, 'only a draft job changes');
END
;
CREATE TRIGGER job_records_locked_delete BEFORE DELETE ON job_records
WHEN (SELECT state FROM jobs WHERE uuid = OLD.job) = 'approved'
BEGIN
    SELECT RAISE(ABORT, 'approved job is locked');
END
;
CREATE TRIGGER job_verdicts_locked_insert BEFORE INSERT ON job_verdicts
WHEN (SELECT state FROM jobs WHERE uuid = NEW.job) = 'approved'
BEGIN
    SELECT RAISE(ABORT, 'approved job is locked');
END
;
CREATE TRIGGER job_verdicts_locked_change BEFORE UPDATE ON job_verdicts
WHEN NEW.verdict IS NOT OLD.verdict OR NEW.reasons IS NOT OLD.reasons OR NEW.job IS NOT OLD.job OR
     NEW.record IS NOT OLD.record
BEGIN
    SELECT RAISE(ABORT, 'approved job is locked');
END
;
CREATE TRIGGER job_verdicts_locked_delete BEFORE DELETE ON job_verdicts
WHEN (SELECT state FROM jobs WHERE uuid = OLD.job) = 'approved'
BEGIN
    SELECT RAISE(ABORT, 'approved job is locked');
END
;
-- The audit trail: who, when, which field, old and new value, written by triggers so that every
-- writer leaves its trace. Rows are never changed (only pushed) nor deleted.
CREATE TABLE audit (
    uuid    TEXT PRIMARY KEY,
    at      TEXT NOT NULL,                     -- UTC ISO 8601 with milliseconds
    who     TEXT NOT NULL,                     -- the signature of this laptop, or the writer's laptop_id
    subject TEXT NOT NULL,                     -- 'job', 'asset', 'instrument', 'rules'
    item    TEXT NOT NULL,                     -- job number and revision, device, serial, scope
    field   TEXT NOT NULL,
    old     TEXT NOT NULL,
    new     TEXT NOT NULL,
    pushed  INTEGER NOT NULL DEFAULT 0
)
;
CREATE INDEX audit_by_time ON audit (at)
;
CREATE TRIGGER audit_never_changed BEFORE UPDATE ON audit
WHEN NEW.uuid IS NOT OLD.uuid OR NEW.at IS NOT OLD.at OR NEW.who IS NOT OLD.who OR
     NEW.subject IS NOT OLD.subject OR NEW.item IS NOT OLD.item OR NEW.field IS NOT OLD.field OR
     NEW.old IS NOT OLD.old OR NEW.new IS NOT OLD.new
BEGIN
    SELECT RAISE(ABORT, 'the audit trail is never changed');
END
;
CREATE TRIGGER audit_never_deleted BEFORE DELETE ON audit
BEGIN
    SELECT RAISE(ABORT, 'the audit trail is never changed');
END
;
-- Who wrote a row: this laptop's signature when it is this laptop's row and a signature is set.
CREATE VIEW audit_who AS
SELECT l.value AS laptop, COALESCE(NULLIF(s.value, ''), l.value) AS who
FROM meta l LEFT JOIN meta s ON s.key = 'signature' WHERE l.key = 'laptop_id'
;
CREATE TRIGGER assets_audit_insert AFTER INSERT ON assets
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END, 'asset', NEW.device, f.field, f.old, f.new
    FROM (
        SELECT '站名' AS field, '' AS old, NEW.station AS new UNION ALL
        SELECT '间隔' AS field, '' AS old, NEW.bay AS new UNION ALL
        SELECT '相别' AS field, '' AS old, NEW.phase AS new UNION ALL
        SELECT '类型' AS field, '' AS old, NEW.kind AS new UNION ALL
        SELECT '厂家' AS field, '' AS old, NEW.maker AS new UNION ALL
        SELECT '型号' AS field, '' AS old, NEW.model AS new UNION ALL
        SELECT '出厂值(uΩ)' AS field, '' AS old, NEW.factory_uohm AS new UNION ALL
        SELECT '投运值(uΩ)' AS field, '' AS old, NEW.commissioning_uohm AS new UNION ALL
        SELECT '限值(uΩ)' AS field, '' AS old, NEW.limit_uohm AS new UNION ALL
        SELECT '备注' AS field, '' AS old, NEW.note AS new UNION ALL
        SELECT '基准倍数' AS field, '' AS old, NEW.baseline_factor AS new UNION ALL
        SELECT '增长比例' AS field, '' AS old, NEW.rise_factor AS new UNION ALL
        SELECT '相间比例' AS field, '' AS old, NEW.phase_factor AS new) f, audit_who w
    WHERE f.old IS NOT f.new;
END
;
CREATE TRIGGER assets_audit_update AFTER UPDATE ON assets
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END, 'asset', NEW.device, f.field, f.old, f.new
    FROM (
        SELECT '站名' AS field, OLD.station AS old, NEW.station AS new UNION ALL
        SELECT '间隔' AS field, OLD.bay AS old, NEW.bay AS new UNION ALL
        SELECT '相别' AS field, OLD.phase AS old, NEW.phase AS new UNION ALL
        SELECT '类型' AS field, OLD.kind AS old, NEW.kind AS new UNION ALL
        SELECT '厂家' AS field, OLD.maker AS old, NEW.maker AS new UNION ALL
        SELECT '型号' AS field, OLD.model AS old, NEW.model AS new UNION ALL
        SELECT '出厂值(uΩ)' AS field, OLD.factory_uohm AS old, NEW.factory_uohm AS new UNION ALL
        SELECT '投运值(uΩ)' AS field, OLD.commissioning_uohm AS old, NEW.commissioning_uohm AS new UNION ALL
        SELECT '限值(uΩ)' AS field, OLD.limit_uohm AS old, NEW.limit_uohm AS new UNION ALL
        SELECT '备注' AS field, OLD.note AS old, NEW.note AS new UNION ALL
        SELECT '基准倍数' AS field, OLD.baseline_factor AS old, NEW.baseline_factor AS new UNION ALL
        SELECT '增长比例' AS field, OLD.rise_factor AS old, NEW.rise_factor AS new UNION ALL
        SELECT '相间比例' AS field, OLD.phase_factor AS old, NEW.phase_factor AS new) f, audit_who w
    WHERE f.old IS NOT f.new;
END
;
CREATE TRIGGER rules_audit_insert AFTER INSERT ON rules
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END, 'rules', '全部设备', f.field, f.old, f.new
    FROM (
        SELECT '基准倍数' AS field, '' AS old, NEW.baseline_factor AS new UNION ALL
        SELECT '增长比例' AS field, '' AS old, NEW.rise_factor AS new UNION ALL
        SELECT '相间比例' AS field, '' AS old, NEW.phase_factor AS new) f, audit_who w
    WHERE f.old IS NOT f.new;
END
;
CREATE TRIGGER rules_audit_update AFTER UPDATE ON rules
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END, 'rules', '全部设备', f.field, f.old, f.new
    FROM (
        SELECT '基准倍数' AS field, OLD.baseline_factor AS old, NEW.baseline_factor AS new UNION ALL
        SELECT '增长比例' AS field, OLD.rise_factor AS old, NEW.rise_factor AS new UNION ALL
        SELECT '相间比例' AS field, OLD.phase_factor AS old, NEW.phase_factor AS new) f, audit_who w
    WHERE f.old IS NOT f.new;
END
;
CREATE TRIGGER instruments_audit_insert AFTER INSERT ON instruments
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END, 'instrument', NEW.serial, f.field, f.old, f.new
    FROM (
        SELECT '型号' AS field, '' AS old, NEW.model AS new UNION ALL
        SELECT '出厂编号' AS field, '' AS old, NEW.serial AS new UNION ALL
        SELECT '校准证书编号' AS field, '' AS old, NEW.certificate AS new UNION ALL
        SELECT '校准日期' AS field, '' AS old, NEW.calibrated_on AS new UNION ALL
        SELECT '有效期至' AS field, '' AS old, NEW.valid_until AS new UNION ALL
        SELECT '备注' AS field, '' AS old, NEW.note AS new) f, audit_who w
    WHERE f.old IS NOT f.new;
END
;
CREATE TRIGGER instruments_audit_update AFTER UPDATE ON instruments
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END, 'instrument', NEW.serial, f.field, f.old, f.new
    FROM (
        SELECT '型号' AS field, OLD.model AS old, NEW.model AS new UNION ALL
        SELECT '出厂编号' AS field, OLD.serial AS old, NEW.serial AS new UNION ALL
        SELECT '校准证书编号' AS field, OLD.certificate AS old, NEW.certificate AS new UNION ALL
        SELECT '校准日期' AS field, OLD.calibrated_on AS old, NEW.calibrated_on AS new UNION ALL
        SELECT '有效期至' AS field, OLD.valid_until AS old, NEW.valid_until AS new UNION ALL
        SELECT '备注' AS field, OLD.note AS old, NEW.note AS new) f, audit_who w
    WHERE f.old IS NOT f.new;
END
;
CREATE TRIGGER jobs_audit_insert AFTER INSERT ON jobs
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END, 'job', NEW.job_number || ' 第 ' || NEW.revision || ' 版', f.field, f.old, f.new
    FROM (
        SELECT '任务编号' AS field, '' AS old, NEW.job_number AS new UNION ALL
        SELECT '站名' AS field, '' AS old, NEW.station AS new UNION ALL
        SELECT '委托单位' AS field, '' AS old, NEW.customer AS new UNION ALL
        SELECT '试验性质' AS field, '' AS old, NEW.kind AS new UNION ALL
        SELECT '试验依据' AS field, '' AS old, NEW.basis AS new UNION ALL
        SELECT '开始日期' AS field, '' AS old, NEW.first_day AS new UNION ALL
        SELECT '结束日期' AS field, '' AS old, NEW.last_day AS new UNION ALL
        SELECT '天气' AS field, '' AS old, NEW.weather AS new UNION ALL
        SELECT '温度(°C)' AS field, '' AS old, NEW.temperature AS new UNION ALL
        SELECT '湿度(%)' AS field, '' AS old, NEW.humidity AS new UNION ALL
        SELECT '试验人员' AS field, '' AS old, NEW.testers AS new UNION ALL
        SELECT '仪器' AS field, '' AS old, COALESCE((SELECT serial FROM instruments WHERE uuid = NEW.instrument), NEW.instrument) AS new UNION ALL
        SELECT '结论' AS field, '' AS old, NEW.conclusion AS new UNION ALL
        SELECT '备注' AS field, '' AS old, NEW.notes AS new UNION ALL
        SELECT '修订说明' AS field, '' AS old, NEW.revision_note AS new UNION ALL
        SELECT '状态' AS field, '' AS old, NEW.state AS new UNION ALL
        SELECT '编制' AS field, '' AS old, NEW.recorded_by AS new UNION ALL
        SELECT '审核' AS field, '' AS old, NEW.checked_by AS new UNION ALL
        SELECT '批准' AS field, '' AS old, NEW.approved_by AS new UNION ALL
        SELECT '退回原因' AS field, '' AS old, NEW.returned_why AS new UNION ALL
        SELECT '仪器过期仍继续' AS field, '' AS old, NEW.expired_by AS new) f, audit_who w
    WHERE f.old IS NOT f.new;
END
;
CREATE TRIGGER jobs_audit_update AFTER UPDATE ON jobs
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END, 'job', NEW.job_number || ' 第 ' || NEW.revision || ' 版', f.field, f.old, f.new
    FROM (
        SELECT '任务编号' AS field, OLD.job_number AS old, NEW.job_number AS new UNION ALL
        SELECT '站名' AS field, OLD.station AS old, NEW.station AS new UNION ALL
        SELECT '委托单位' AS field, OLD.customer AS old, NEW.customer AS new UNION ALL
        SELECT '试验性质' AS field, OLD.kind AS old, NEW.kind AS new UNION ALL
        SELECT '试验依据' AS field, OLD.basis AS old, NEW.basis AS new UNION ALL
        SELECT '开始日期' AS field, OLD.first_day AS old, NEW.first_day AS new UNION ALL
        SELECT '结束日期' AS field, OLD.last_day AS old, NEW.last_day AS new UNION ALL
        SELECT '天气' AS field, OLD.weather AS old, NEW.weather AS new UNION ALL
        SELECT '温度(°C)' AS field, OLD.temperature AS old, NEW.temperature AS new UNION ALL
        SELECT '湿度(%)' AS field, OLD.humidity AS old, NEW.humidity AS new UNION ALL
        SELECT '试验人员' AS field, OLD.testers AS old, NEW.testers AS new UNION ALL
        SELECT '仪器' AS field, COALESCE((SELECT serial FROM instruments WHERE uuid = OLD.instrument), OLD.instrument) AS old, COALESCE((SELECT serial FROM instruments WHERE uuid = NEW.instrument), NEW.instrument) AS new UNION ALL
        SELECT '结论' AS field, OLD.conclusion AS old, NEW.conclusion AS new UNION ALL
        SELECT '备注' AS field, OLD.notes AS old, NEW.notes AS new UNION ALL
        SELECT '修订说明' AS field, OLD.revision_note AS old, NEW.revision_note AS new UNION ALL
        SELECT '状态' AS field, OLD.state AS old, NEW.state AS new UNION ALL
        SELECT '编制' AS field, OLD.recorded_by AS old, NEW.recorded_by AS new UNION ALL
        SELECT '审核' AS field, OLD.checked_by AS old, NEW.checked_by AS new UNION ALL
        SELECT '批准' AS field, OLD.approved_by AS old, NEW.approved_by AS new UNION ALL
        SELECT '退回原因' AS field, OLD.returned_why AS old, NEW.returned_why AS new UNION ALL
        SELECT '仪器过期仍继续' AS field, OLD.expired_by AS old, NEW.expired_by AS new) f, audit_who w
    WHERE f.old IS NOT f.new;
END
;
CREATE TRIGGER job_assets_audit_insert AFTER INSERT ON job_assets
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END, 'job', (SELECT job_number || ' 第 ' || revision || ' 版' FROM jobs WHERE uuid = NEW.job), '计划设备', '', NEW.device
    FROM audit_who w;
END
;
CREATE TRIGGER job_assets_audit_delete AFTER DELETE ON job_assets
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), w.who, 'job', (SELECT job_number || ' 第 ' || revision || ' 版' FROM jobs WHERE uuid = OLD.job), '计划设备', OLD.device, ''
    FROM audit_who w;
END
;
CREATE TRIGGER job_records_audit_insert AFTER INSERT ON job_records
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END, 'job', (SELECT job_number || ' 第 ' || revision || ' 版' FROM jobs WHERE uuid = NEW.job), '记录', '', NEW.record
    FROM audit_who w;
END
;
CREATE TRIGGER job_records_audit_delete AFTER DELETE ON job_records
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), w.who, 'job', (SELECT job_number || ' 第 ' || revision || ' 版' FROM jobs WHERE uuid = OLD.job), '记录', OLD.record, ''
    FROM audit_who w;
END
;
-- Test intervals: for all assets (scope 'all', key ''), per asset kind (scope 'kind', key the kind) and
-- per asset (scope 'asset', key the device key); the narrowest one applies.
CREATE TABLE test_intervals (
    scope      TEXT NOT NULL,
    key        TEXT NOT NULL,
    months     INTEGER NOT NULL,
    changed_at TEXT NOT NULL,
    changed_by TEXT NOT NULL,
    pushed     INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (scope, key)
)
;
INSERT INTO test_intervals (scope, key, months, changed_at, changed_by)
SELECT 'all', '', 36, strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), value FROM meta WHERE key = 'laptop_id'
;
CREATE TRIGGER test_intervals_audit_insert AFTER INSERT ON test_intervals
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END,
           'rules', CASE NEW.scope WHEN 'all' THEN '全部设备' ELSE NEW.key END, '试验周期(月)', '', NEW.months
    FROM audit_who w;
END
;
CREATE TRIGGER test_intervals_audit_update AFTER UPDATE ON test_intervals WHEN NEW.months IS NOT OLD.months
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), NEW.changed_at, CASE WHEN NEW.changed_by = w.laptop THEN w.who ELSE NEW.changed_by END,
           'rules', CASE NEW.scope WHEN 'all' THEN '全部设备' ELSE NEW.key END, '试验周期(月)', OLD.months, NEW.months
    FROM audit_who w;
END
;
CREATE TRIGGER test_intervals_audit_delete AFTER DELETE ON test_intervals
BEGIN
    INSERT INTO audit (uuid, at, who, subject, item, field, old, new)
    SELECT lower(hex(randomblob(16))), strftime('%Y-%m-%dT%H:%M:%fZ', 'now'), w.who,
           'rules', CASE OLD.scope WHEN 'all' THEN '全部设备' ELSE OLD.key END, '试验周期(月)', OLD.months, ''
    FROM audit_who w;
END
