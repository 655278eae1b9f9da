-- Version 2 of the local archive, on top of version 1.
-- Every device number seen, kept by a trigger so that records written by any program (an import,
-- a sync) list their device; the register and the overview start from here.
CREATE TABLE devices (
    device_key TEXT PRIMARY KEY,
    device     TEXT NOT NULL
)
;
INSERT OR IGNORE INTO devices (device_key, device) SELECT device_key, device FROM records
;
CREATE TRIGGER records_list_device AFTER INSERT ON records
BEGIN
    INSERT OR IGNORE INTO devices (device_key, device) VALUES (NEW.device_key, NEW.device);
END
;
-- A device's latest tests whatever their current step.
CREATE INDEX records_by_device_time ON records (device_key, test_time)
