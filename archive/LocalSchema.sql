-- The local archive, one SQLite file in the data folder. Version 1.
-- Statements are separated by lines holding only ";".
-- Decimal numbers a user types (limits, baselines, factors) are kept as their exact text beside
-- a REAL for comparisons, so nothing typed is rounded away.
CREATE TABLE meta (
    key   TEXT PRIMARY KEY,   -- 'schema_version', 'laptop_id'
    value TEXT NOT NULL
)
;
CREATE TABLE records (
    id           TEXT PRIMARY KEY,      -- TestRecord::identity()
    test_time    TEXT,                  -- 'yyyy-MM-ddThh:mm' local, NULL when the text does not read
    device       TEXT NOT NULL,         -- as shown (trimmed)
    device_key   TEXT NOT NULL,         -- upper-case device number, for matching without case
    tester       TEXT NOT NULL,
    location     TEXT NOT NULL,
    step_code    INTEGER,
    step_amperes INTEGER,
    load_seconds INTEGER,
    r_mantissa   INTEGER,
    r_exponent   INTEGER,
    micro_ohms   REAL,
    texts        TEXT NOT NULL,         -- the eight display texts, JSON array
    raw_reply    BLOB,
    source       TEXT NOT NULL,         -- 'upload', 'live', or the file it was first read from
    added_at     TEXT NOT NULL,         -- UTC ISO 8601
    added_by     TEXT NOT NULL,         -- laptop_id of the laptop that first stored it
    pushed       INTEGER NOT NULL DEFAULT 0  -- 1 once the team server holds it
)
;
CREATE INDEX records_by_device ON records (device_key, step_amperes, test_time)
;
CREATE INDEX records_unpushed ON records (pushed) WHERE pushed = 0
;
CREATE TABLE assets (
    device_key         TEXT PRIMARY KEY,
    device             TEXT NOT NULL,
    station            TEXT NOT NULL DEFAULT '',
    bay                TEXT NOT NULL DEFAULT '',
    phase              TEXT NOT NULL DEFAULT '',   -- 'A', 'B', 'C' or ''
    kind               TEXT NOT NULL DEFAULT '',   -- 断路器, 隔离开关, 母线接头, 其他 or ''
    maker              TEXT NOT NULL DEFAULT '',
    model              TEXT NOT NULL DEFAULT '',
    factory_uohm       TEXT NOT NULL DEFAULT '',   -- exact decimal text or ''
    commissioning_uohm TEXT NOT NULL DEFAULT '',
    limit_uohm         TEXT NOT NULL DEFAULT '',
    baseline_factor    TEXT NOT NULL DEFAULT '',   -- '' = the rules for all
    rise_factor        TEXT NOT NULL DEFAULT '',
    phase_factor       TEXT NOT NULL DEFAULT '',
    note               TEXT NOT NULL DEFAULT '',
    changed_at         TEXT NOT NULL,              -- UTC ISO 8601 with milliseconds
    changed_by         TEXT NOT NULL,              -- laptop_id
    pushed             INTEGER NOT NULL DEFAULT 0
)
;
CREATE INDEX assets_by_place ON assets (station, bay)
;
CREATE TABLE rules (                             -- the factors for all assets: one row, scope ''
    scope           TEXT PRIMARY KEY,
    baseline_factor TEXT NOT NULL,               -- '1.2'
    rise_factor     TEXT NOT NULL,               -- '0.2'
    phase_factor    TEXT NOT NULL,               -- '0.5'
    changed_at      TEXT NOT NULL,
    changed_by      TEXT NOT NULL,
    pushed          INTEGER NOT NULL DEFAULT 0
)
;
CREATE TABLE imported_files (                   -- what was brought in, to skip unchanged files
    path     TEXT PRIMARY KEY,                   -- relative to the data folder, or absolute
    size     INTEGER NOT NULL,
    mtime_ms INTEGER NOT NULL,
    records  INTEGER NOT NULL
)
;
CREATE TABLE sync_log (                         -- what a sync did, for the user to read
    at      TEXT NOT NULL,
    kind    TEXT NOT NULL,                       -- 'overwritten', 'error', 'done'
    subject TEXT NOT NULL,
    message TEXT NOT NULL
)
;
CREATE TABLE sync_state (                       -- per server: how far the pull has come
    server      TEXT PRIMARY KEY,                -- host:port/database
    records_seq INTEGER NOT NULL DEFAULT 0,
    assets_seq  INTEGER NOT NULL DEFAULT 0,
    rules_seq   INTEGER NOT NULL DEFAULT 0
)
