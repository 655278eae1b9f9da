#!/usr/bin/python3
"""The program in English, as a screen reader meets it: connects to the virtual instrument, uploads
its records, saves them through the save dialog and opens the live test and link settings dialogs,
reading every name, description and text on screen over the accessibility bus (AT-SPI) after each
step. Fails when a Chinese character is left
anywhere but in data: the grid's cells (the records' own texts) and the names of the data folder
and its files, which are file formats.

Started by upload_bus.sh with the program's "--lang en". Usage: english_probe.py RECORDS
"""
import re
import sys
import time

import pyatspi
from gi.repository import GLib

from atspi_support import find, named, press, program, wait_enabled, walk

RECORDS = int(sys.argv[1])
CHINESE = re.compile(r"[\u3000-\u303f\u3400-\u9fff\uff00-\uffef]")
# Folder and file names the program keeps whatever the language.
DATA_NAMES = ("测试记录", "自动备份", "记录库.sqlite", "上传 ")
DATA_ROLES = {"table cell"}


def shown_texts(root):
    """Every text a screen reader can read below root, with the role of its node."""
    texts = []
    for node in walk(root):
        try:
            role = node.getRoleName()
            if role in DATA_ROLES:
                continue
            texts += [(role, node.name), (role, node.description)]
            if "Text" in pyatspi.listInterfaces(node):
                text = node.queryText()
                texts.append((role, text.getText(0, text.characterCount)))
        except GLib.GError:  # a node went away while the tree was read
            continue
    return [(role, t) for role, t in texts if t]


def open_dialog(app, button):
    press(app, button)
    for _ in range(100):
        dialog = next((n for n in walk(app) if n.getRoleName() in ("dialog", "file chooser")), None)
        if dialog is not None:
            return dialog
        time.sleep(0.1)
    sys.exit(f"no dialog opened for {button}")


def close_dialog(app, dialog, button):
    role, title = dialog.getRoleName(), dialog.name
    named(dialog, "push button", button).queryAction().doAction(0)
    for _ in range(100):
        time.sleep(0.1)
        try:
            if find(app, role, title) is None:
                return
        except GLib.GError:  # a node went away while the tree was read: look again
            continue
    sys.exit(f"the dialog {title} stayed open")


def check(root, step):
    texts = shown_texts(root)
    if len(texts) < 3:
        sys.exit(f"nothing to read {step}: {texts}")
    left = []
    for role, text in texts:
        rest = text
        for name in DATA_NAMES:
            rest = rest.replace(name, "")
        if CHINESE.search(rest):
            left.append(f"{role}: {text!r}")
    if left:
        sys.exit(f"Chinese text on screen {step}:\n  " + "\n  ".join(sorted(set(left))))
    print(f"{step}: {len(texts)} texts, none Chinese")


app = program()
check(app, "at start")
press(app, "Connect")
upload = named(app, "push button", "Upload")
wait_enabled(upload)
check(app, "after connecting")
bar = named(app, "progress bar", "Upload progress")
upload.queryAction().doAction(0)
deadline = time.time() + RECORDS * 2 + 30
while int(bar.queryValue().currentValue) < RECORDS and time.time() < deadline:
    time.sleep(0.1)
wait_enabled(upload, 30)
headers = [n.name for n in walk(app) if n.getRoleName() == "table column header"]
if "Device No." not in headers:
    sys.exit(f"the grid's headers are not in English: {headers}")
check(app, "after the upload")

dialog = open_dialog(app, "Save")
check(dialog, "in the save dialog")
accept = next((n for n in walk(dialog) if n.getRoleName() == "push button" and n.name.startswith("Save")), None)
if accept is None:
    sys.exit("the save dialog has no Save button: " +
             ", ".join(n.name for n in walk(dialog) if n.getRoleName() == "push button"))
wait_enabled(accept)
close_dialog(app, dialog, accept.name)
check(app, "after saving")

for button in ("Test", "Communication"):
    dialog = open_dialog(app, button)
    check(dialog, f"in the dialog of {button}")
    close_dialog(app, dialog, "Exit")
press(app, "Exit")
