-- Version 5 of the local archive, on top of version 4.
-- The names of the team's laptops (host and user) as the team server last told them: the sync
-- log names a laptop by them rather than by its id.
CREATE TABLE laptops (
    laptop_id TEXT PRIMARY KEY,
    host      TEXT NOT NULL,
    os_user   TEXT NOT NULL
)
;
-- The interval for all assets a new archive starts with was chosen by nobody (as the rules): any
-- interval a person set, here or on another laptop, wins over it in a sync.
UPDATE test_intervals SET changed_at = '1970-01-01T00:00:00.000Z', changed_by = ''
WHERE scope = 'all' AND key = '' AND months = 36 AND pushed = 0
    AND changed_by = (SELECT value FROM meta WHERE key = 'laptop_id')
;
-- A removed interval of a kind or an asset stays as months = 0, so that the removal reaches the
-- other laptops; the due dates pass over it.
-- Parts of a revision that arrive from the team server (pushed = 1) are taken even when the
-- revision is no longer a draft here: the server holds only parts it took before approval.
DROP TRIGGER job_assets_locked_insert
;
CREATE TRIGGER job_assets_locked_insert BEFORE INSERT ON job_assets
WHEN NEW.pushed IS NOT 1 AND (SELECT state FROM jobs WHERE uuid = NEW.job) IS NOT 'draft'
BEGIN
    SELECT RAISE(ABORT, 'only a draft job changes');
END
;
DROP TRIGGER job_records_locked_insert
;
CREATE TRIGGER job_records_locked_insert BEFORE INSERT ON job_records
WHEN NEW.pushed IS NOT 1 AND (SELECT state FROM jobs WHERE uuid = NEW.job) IS NOT 'draft'
BEGIN
    SELECT RAISE(ABORT, 'only a draft job changes');
END
;
DROP TRIGGER job_verdicts_locked_insert
;
CREATE TRIGGER job_verdicts_locked_insert BEFORE INSERT ON job_verdicts
WHEN NEW.pushed IS NOT 1 AND (SELECT state FROM jobs WHERE uuid = NEW.job) = 'approved'
BEGIN
    SELECT RAISE(ABORT, 'approved job is locked');
END
;
-- The audit trail of a change is written once, where the change was made, and travels with the
-- sync: the rows a sync writes here (it marks its transactions with meta 'sync_writing') leave
-- no second trace.
CREATE TRIGGER audit_once BEFORE INSERT ON audit
WHEN NEW.pushed = 0 AND EXISTS (SELECT 1 FROM meta WHERE key = 'sync_writing')
BEGIN
    SELECT RAISE(IGNORE);
END
