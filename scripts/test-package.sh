#!/usr/bin/env bash
# The Debian package as a machine meets it: builds it (scripts/package.sh), installs it with
# apt-get, runs the installed ohmara as user nobody with a fresh HOME against the virtual
# instrument of the build tree (connect, upload, save, leave) over the accessibility bus, reads
# the archive with ohmara-archive, then purges the package and checks that nothing of it is
# left on disk but the user's own files. Needs root (or sudo): skips itself otherwise.
# Usage: test-package.sh [BUILD_DIR]   (the build tree that holds ohmara-sim; default build/)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="$(cd "${1:-${OHMARA_BUILD_DIR:-$ROOT/build}}" && pwd)"
if [[ $(id -u) -ne 0 ]]; then
  if command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    exec sudo -n -E "$0" "$BUILD"
  fi
  echo "test-package: skipped (installing a package needs root or sudo)"
  exit 0
fi
RECORDS=5
NOBODY=65534
fail() {
  echo "test-package: FAILED: $*" >&2
  exit 1
}

"$ROOT/scripts/package.sh"
DEB="$(ls "$ROOT"/ohmara_*_"$(dpkg-architecture -qDEB_HOST_ARCH)".deb)"
export DEBIAN_FRONTEND=noninteractive
if dpkg-query -W -f='${Status}' ohmara 2>/dev/null | grep -q "install ok installed"; then
  apt-get purge -y -qq ohmara >/dev/null
fi
(cd "$(dirname "$DEB")" && apt-get install -y -qq "./$(basename "$DEB")" >/dev/null)
dpkg -L ohmara >/dev/null || fail "the package did not install"
PACKAGE_LIST="$(mktemp)"
WORK="$(mktemp -d)"
SIM_PID=""
cleanup() {
  [[ -n "$SIM_PID" ]] && kill "$SIM_PID" 2>/dev/null || true
  rm -rf "$WORK" "$PACKAGE_LIST"
}
trap cleanup EXIT
dpkg -L ohmara | sort >"$PACKAGE_LIST"
for path in /usr/bin/ohmara /usr/bin/ohmara-archive /usr/libexec/ohmara/ohmara-xls \
  /usr/lib/udev/rules.d/70-ohmara.rules /usr/share/man/man1/ohmara.1.gz \
  /usr/share/man/man1/ohmara-archive.1.gz /usr/share/applications/ohmara.desktop \
  /usr/share/icons/hicolor/scalable/apps/ohmara.svg; do
  grep -qx "$path" "$PACKAGE_LIST" || fail "$path is not in the package"
done

# The user: nobody, with a HOME of its own; the virtual instrument runs as that user too (its
# pseudo-terminal belongs to whoever opens it).
HOME_DIR="$WORK/home"
mkdir -p "$HOME_DIR/.config/ohmara"
cp "$BUILD/sim/ohmara-sim" "$ROOT/tests/a11y/atspi_support.py" "$ROOT/tests/a11y/installed_probe.py" \
  "$ROOT/tests/data/files/records.xls" "$WORK/"
printf '[Communication]\r\ngiCommStyle=1\r\ngiCommPort=3\r\ngiBaudRate=6\r\n' \
  >"$HOME_DIR/.config/ohmara/SystemFile.ini"
chmod 755 "$WORK"
chown -R "$NOBODY:$NOBODY" "$HOME_DIR"
as_user() {
  env -i PATH=/usr/bin:/bin HOME="$HOME_DIR" LANG=C.UTF-8 \
    setpriv --reuid=$NOBODY --regid=$NOBODY --clear-groups -- "$@"
}
# Started in the background, the process becomes the program itself: $! is what to stop.
exec_as_user() {
  exec env -i PATH=/usr/bin:/bin HOME="$HOME_DIR" LANG=C.UTF-8 \
    setpriv --reuid=$NOBODY --regid=$NOBODY --clear-groups -- "$@"
}
exec_as_user "$WORK/ohmara-sim" --records $RECORDS --ini "$HOME_DIR/.config/ohmara/SystemFile.ini" \
  --port 3 >"$WORK/sim.out" &
SIM_PID=$!
for _ in $(seq 100); do [[ -s "$WORK/sim.out" ]] && break; sleep 0.1; done
[[ -s "$WORK/sim.out" ]] || fail "the virtual instrument did not start"
# The serial layer locks a port by a file in /var/lock named after the device. A program an
# earlier test killed on a pseudo-terminal of the same number left its lock there, owned by
# root: nobody may not take it over, and the connect would fail as on a port in use. No one but
# the instrument just started holds this pseudo-terminal now.
PTY="$(head -n 1 "$WORK/sim.out")"
[[ "$PTY" == /dev/* ]] || fail "the virtual instrument named no pseudo-terminal"
PTY_NAME="${PTY#/dev/}"
rm -f "/var/lock/LCK..${PTY_NAME//\//_}"

as_user env QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb \
  xvfb-run -a -n $((200 + RANDOM % 700)) dbus-run-session -- bash -c '
    /usr/bin/ohmara >"$HOME/program.log" 2>&1 &
    app=$!
    /usr/bin/python3 "$1/installed_probe.py" "$2" 记录.txt; status=$?
    # "退出" ends the program, which writes its settings as it goes.
    for _ in $(seq 100); do kill -0 $app 2>/dev/null || break; sleep 0.1; done
    kill $app 2>/dev/null && { echo "the program did not end after 退出"; status=1; }
    wait $app 2>/dev/null
    exit $status' _ "$WORK" $RECORDS 2> >(grep -v "dbus-daemon\|SpiRegistry" >&2) ||
  { cat "$HOME_DIR/program.log" >&2; fail "the installed program did not connect, upload, save and leave"; }

# Settings and data lie in the user's HOME; the files the program keeps beside an executable it
# may write (settings, data folder) were never made in the install.
DATA="$HOME_DIR/Documents/测试记录"
grep -q '^\[RestParam\]' "$HOME_DIR/.config/ohmara/SystemFile.ini" || fail "the settings were not written at exit"
[[ -f "$DATA/记录.txt" ]] || fail "the save did not reach $DATA"
ls "$DATA/自动备份/上传 "*.txt >/dev/null || fail "the upload's backup is missing"
[[ -f "$DATA/记录库.sqlite" ]] || fail "the record archive is missing"
[[ ! -e /usr/bin/SystemFile.ini && ! -e /usr/bin/测试记录 ]] || fail "the program wrote beside itself"
dpkg --verify ohmara || fail "files of the package changed"

# The archive tool: the upload's records are there, and an .xls comes in through the reader in
# the package's libexec folder.
STATUS="$(as_user /usr/bin/ohmara-archive status)" || fail "ohmara-archive status failed"
echo "$STATUS"
grep -qx "records: $RECORDS" <<<"$STATUS" || fail "the archive does not hold the $RECORDS uploaded records"
as_user /usr/bin/ohmara-archive import "$WORK/records.xls" || fail "ohmara-archive could not import an .xls"
as_user /usr/bin/ohmara-archive status | grep -qx "records: $RECORDS" &&
  fail "the .xls brought no records"
# The English translation travels inside the programs: under an English locale the tool says it in English.
ENGLISH="$(as_user env LANG=en_GB.UTF-8 /usr/bin/ohmara-archive --archive 2>&1 || true)"
[[ "$ENGLISH" == "--archive: missing file name" ]] || fail "the installed tool did not answer in English: $ENGLISH"

# Purged, the package leaves nothing: every file of it is gone, every folder of it too unless
# something else still lies in it. The user's own files stay.
apt-get purge -y -qq ohmara >/dev/null
left=()
while IFS= read -r path; do
  [[ -e "$path" || -L "$path" ]] || continue
  if [[ -d "$path" && ! -L "$path" && -n "$(ls -A "$path")" ]]; then continue; fi
  left+=("$path")
done <"$PACKAGE_LIST"
((${#left[@]} == 0)) || fail "left after purge: ${left[*]}"
[[ ! -e /usr/libexec/ohmara && ! -e /var/lib/dpkg/info/ohmara.list ]] ||
  fail "/usr/libexec/ohmara or dpkg's record of the package is left after purge"
[[ -f "$DATA/记录.txt" && -f "$HOME_DIR/.config/ohmara/SystemFile.ini" ]] || fail "the user's files went with the package"
echo "test-package: the package installs, runs as a user, and purges clean"
