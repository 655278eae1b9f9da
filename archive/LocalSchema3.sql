-- Version 3 of the local archive, on top of version 2.
-- The rules a new archive starts with were chosen by nobody: they carry the earliest change time
-- and no laptop, so that any change a person made, here or on another laptop, wins over them in a
-- sync. Rules someone saved carry the time of the save.
-- (A sync now also marks rows pushed = -1 when the team server refused them, set aside and told
-- in sync_log with kind 'refused', and register rows and rules pushed = 2 when a server that lost
-- them must have them again; sync_log also holds kinds 'removed' and 'recovered'.)
UPDATE rules SET changed_at = '1970-01-01T00:00:00.000Z', changed_by = ''
WHERE scope = '' AND pushed = 0 AND baseline_factor = '1.2' AND rise_factor = '0.2' AND phase_factor = '0.5'
    AND changed_by = (SELECT value FROM meta WHERE key = 'laptop_id')
