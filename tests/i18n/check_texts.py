#!/usr/bin/env python3
"""Checks the program's texts against the translation.

  check_texts.py literals ROOT ALLOWED FOLDER...
      Every string literal holding a Chinese character in the C++ sources under the folders must
      be the source text of a translation (the text argument of tr(), translate(),
      QT_TR_NOOP() or QT_TRANSLATE_NOOP()) or one of the file-format texts listed in ALLOWED
      (lines "path<TAB>text"; "path<TAB>*" for a whole file of such texts; # comments).
  check_texts.py catalogue LUPDATE TS SOURCELIST OPTION...
      Runs lupdate over the sources into a copy of TS: the copy must come out byte for byte as
      committed (no new, changed or removed text), and no entry may be unfinished or empty.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

CJK = re.compile(r"[\u3400-\u9fff\uff00-\uffef\u3000-\u303f]")
TOKEN = re.compile(
    r"""(?P<comment>//[^\n]*|/\*.*?\*/)
      |(?P<raw>(?:u8|u|U|L)?R"(?P<delim>[^(\s]*)\((?P<rawbody>.*?)\)(?P=delim)")
      |(?P<string>(?:u8|u|U|L)?"(?P<body>(?:\\.|[^"\\\n])*)")
      |(?P<char>'(?:\\.|[^'\\\n])+')
      |(?P<word>[A-Za-z_][A-Za-z_0-9]*)
      |(?P<space>\s+)
      |(?P<other>.)""",
    re.S | re.X,
)
TR_CALLS = {"tr", "QT_TR_NOOP", "QT_TR_N_NOOP"}
CONTEXT_CALLS = {"translate", "QT_TRANSLATE_NOOP", "QT_TRANSLATE_NOOP3", "QT_TRANSLATE_N_NOOP"}


def tokens(text):
    line = 1
    for m in TOKEN.finditer(text):
        kind = m.lastgroup if m.lastgroup not in ("delim", "rawbody", "body") else None
        for k in ("comment", "raw", "string", "char", "word", "space", "other"):
            if m.group(k) is not None:
                kind = k
                break
        if kind not in ("comment", "space"):
            value = m.group("rawbody") if kind == "raw" else m.group("body") if kind == "string" else m.group(0)
            yield kind if kind != "raw" else "string", value, line
        line += m.group(0).count("\n")


def translated(toks, i):
    """Whether the string token at i (with the literals glued to it) is a translation's source."""
    while i > 0 and toks[i - 1][0] == "string":
        i -= 1
    if i >= 2 and toks[i - 1][1] == "(" and toks[i - 2][1] in TR_CALLS:
        return True
    # translate("Context", "text"): a comma after the context's literal(s).
    if i >= 1 and toks[i - 1][1] == ",":
        j = i - 2
        while j >= 0 and toks[j][0] == "string":
            j -= 1
        return j >= 1 and j < i - 2 and toks[j][1] == "(" and toks[j - 1][1] in CONTEXT_CALLS
    return False


def check_literals(root, allowed_file, folders):
    allowed, whole_files = set(), set()
    for entry in open(allowed_file, encoding="utf-8"):
        entry = entry.rstrip("\n")
        if not entry.strip() or entry.startswith("#"):
            continue
        path, _, text = entry.partition("\t")
        (whole_files.add(path) if text == "*" else allowed.add((path, text)))
    used, found = set(), []
    for folder in folders:
        for dirpath, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith((".cpp", ".h")):
                    continue
                full = os.path.join(dirpath, name)
                rel = os.path.relpath(full, root)
                if rel in whole_files:
                    used.add((rel, "*"))
                    continue
                toks = list(tokens(open(full, encoding="utf-8").read()))
                for i, (kind, value, line) in enumerate(toks):
                    if kind != "string" or not CJK.search(value) or translated(toks, i):
                        continue
                    if (rel, value) in allowed:
                        used.add((rel, value))
                    else:
                        found.append(f"{rel}:{line}: \"{value}\"")
    stale = sorted(f"{p}\t{t}" for p, t in allowed if (p, t) not in used)
    stale += sorted(f"{p}\t*" for p in whole_files if (p, "*") not in used)
    for entry in found:
        print(f"not translated: {entry}")
    for entry in stale:
        print(f"listed as a file-format text but not found: {entry}")
    return 1 if found or stale else 0


def check_catalogue(lupdate, ts, source_list, options):
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        copy = os.path.join(tmp, os.path.basename(ts))
        shutil.copyfile(ts, copy)
        run = subprocess.run([lupdate, *options, "@" + source_list, "-ts", copy], capture_output=True, text=True)
        if run.returncode != 0:
            print(run.stdout + run.stderr)
            return 1
        if open(copy, "rb").read() != open(ts, "rb").read():
            failures.append(f"{ts} is not what lupdate makes of the sources (build the update_translations target):\n"
                            + subprocess.run(["diff", "-u", ts, copy], capture_output=True, text=True).stdout)
        for context in ET.parse(copy).getroot().iter("context"):
            name = context.findtext("name")
            for message in context.iter("message"):
                translation = message.find("translation")
                source = "".join(message.find("source").itertext())
                # Control characters are written as <byte> elements; a translation may be blanks only.
                text = "".join(translation.itertext())
                empty = not text and translation.find(".//byte") is None
                if translation.get("type") in ("unfinished", "vanished", "obsolete") or empty:
                    failures.append(f"{name}: \"{source}\" has no finished translation")
                elif CJK.search(text):
                    failures.append(f"{name}: \"{source}\" is translated with Chinese text")
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    mode = sys.argv[1]
    if mode == "literals":
        sys.exit(check_literals(sys.argv[2], sys.argv[3], sys.argv[4:]))
    sys.exit(check_catalogue(sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5:]))
