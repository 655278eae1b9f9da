#!/usr/bin/python3
"""A screen reader during an upload: reads the program's upload progress bar over the
accessibility bus (AT-SPI) while the virtual instrument's records come in.

Started by upload_bus.sh inside a display and a D-Bus session of its own. Presses "连接设备" and
"上传数据" through the bus, as an assistive tool would, then asks the bar for its value again and
again until the upload has ended. Fails unless the answers follow the upload record by record
and the bar ends at the record count.
"""
import sys
import time

import pyatspi

from atspi_support import named, press, program

RECORDS = int(sys.argv[1])

app = program()
press(app, "连接设备")
upload = named(app, "push button", "上传数据")
for _ in range(100):  # the connect ends when the instrument has answered
    if upload.getState().contains(pyatspi.STATE_ENABLED):
        break
    time.sleep(0.1)
bar = named(app, "progress bar", "上传进度")
upload.queryAction().doAction(0)

heard = []
deadline = time.time() + RECORDS * 2 + 30
while time.time() < deadline:
    value = int(bar.queryValue().currentValue)
    if not heard or value != heard[-1]:
        heard.append(value)
    if value >= RECORDS:
        break
    time.sleep(0.05)

print("values heard:", heard)
rising = all(a < b for a, b in zip(heard, heard[1:]))
if not rising or heard[-1] != RECORDS or len(heard) < RECORDS // 2:
    sys.exit(f"the bar was not followed through the upload: heard {len(heard)} values of {RECORDS}")
