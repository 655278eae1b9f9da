#!/usr/bin/python3
"""The installed program as a user meets it: over the accessibility bus (AT-SPI) connects to the
virtual instrument, uploads its records, saves them through the save dialog under the name given,
and leaves through "退出" (which writes the settings). Started by scripts/test-package.sh inside a
display and a D-Bus session of their own. Usage: installed_probe.py RECORDS FILE_NAME
"""
import sys
import time

import pyatspi
from gi.repository import GLib

from atspi_support import find, named, press, program, wait_enabled, walk

RECORDS = int(sys.argv[1])
FILE_NAME = sys.argv[2]

app = program()
press(app, "连接设备")
upload = named(app, "push button", "上传数据")
wait_enabled(upload)  # the connect ends when the instrument has answered
bar = named(app, "progress bar", "上传进度")
upload.queryAction().doAction(0)
deadline = time.time() + RECORDS * 2 + 30
while int(bar.queryValue().currentValue) < RECORDS and time.time() < deadline:
    time.sleep(0.1)
wait_enabled(upload, 30)  # the upload has ended: its backup and the archive are written
print("uploaded:", int(bar.queryValue().currentValue))

press(app, "保存")
dialog = None
for _ in range(100):
    dialog = next((n for n in walk(app) if n.getRoleName() in ("dialog", "file chooser")), None)
    if dialog is not None:
        break
    time.sleep(0.1)
if dialog is None:
    sys.exit("the save dialog did not open")
edits = [n for n in walk(dialog) if n.getRoleName() == "text"
         and n.getState().contains(pyatspi.STATE_EDITABLE)
         and n.getState().contains(pyatspi.STATE_SHOWING)]
name_edit = next((n for n in edits if "文件名" in n.name), edits[-1] if edits else None)
if name_edit is None:
    sys.exit("the save dialog has no file name field")
name_edit.queryEditableText().setTextContents(FILE_NAME)
accept = next((n for n in walk(dialog) if n.getRoleName() == "push button"
               and n.name.startswith("保存")), None)
if accept is None:
    sys.exit("the save dialog has no save button: " +
             ", ".join(n.name for n in walk(dialog) if n.getRoleName() == "push button"))
wait_enabled(accept)
role, title = dialog.getRoleName(), dialog.name
accept.queryAction().doAction(0)
for _ in range(100):
    time.sleep(0.1)
    try:
        if find(app, role, title) is None:
            break
    except GLib.GError:  # a node went away while the tree was read: look again
        continue
else:
    sys.exit("the save dialog stayed open")

press(app, "退出")
print("saved and left")
