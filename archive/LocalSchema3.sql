-- Version 3 of the local archive, on top of version 2.
-- The rules a new archive starts with were chosen by nobody: they carry the earliest change time
-- and no laptop, so that any change a person made, here or on another laptop, wins over them in a
-- sync. Rules someone saved carry the time of the save.
UPDATE rules SET changed_at = '1970-01-01T00:00:00.000Z', changed_by = ''
WHERE scope = '' AND pushed = 0 AND baseline_factor = '1.2' AND rise_factor = '0.2' AND phase_factor = '0.5'
    AND changed_by = (SELECT value FROM meta WHERE key = 'laptop_id')
