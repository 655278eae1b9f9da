#!/bin/bash
# Runs a probe (upload_probe.py unless named) against the program in a folder of its own: a virtual
# display, a D-Bus session with the accessibility bus, the virtual instrument on a pseudo-terminal
# as COM3. Arguments after the probe's name go to the program.
# Usage: upload_bus.sh PROGRAM XLS_READER SIM RECORDS [PROBE [PROGRAM_ARGUMENTS...]]
set -euo pipefail
PROGRAM=$1 XLS=$2 SIM=$3 RECORDS=$4 PROBE=${5:-upload_probe.py}
shift $(($# < 5 ? $# : 5))
HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
for tool in xvfb-run dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed"; exit 77; }
done
/usr/bin/python3 -c 'import pyatspi' 2>/dev/null || { echo "pyatspi is not installed"; exit 77; }

WORK="$(mktemp -d)"
SIM_PID=""
cleanup() {
  [[ -n "$SIM_PID" ]] && kill "$SIM_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
cp "$PROGRAM" "$XLS" "$WORK/"
printf '[Communication]\r\ngiCommStyle=1\r\ngiCommPort=3\r\ngiBaudRate=6\r\n' >"$WORK/SystemFile.ini"
"$SIM" --records "$RECORDS" --ini "$WORK/SystemFile.ini" --port 3 >"$WORK/sim.out" &
SIM_PID=$!
for _ in $(seq 100); do [[ -s "$WORK/sim.out" ]] && break; sleep 0.1; done

export HOME="$WORK" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb
# On a real display libxkbcommon-x11 hands strndup a buffer without a terminating NUL, which the
# sanitizers' strict string checks take for an overflow; every other check stays.
if [[ -n "${ASAN_OPTIONS:-}" ]]; then
  export ASAN_OPTIONS="${ASAN_OPTIONS//strict_string_checks=1/strict_string_checks=0}"
fi
unset XDG_RUNTIME_DIR
# A display number of its own: xvfb-run -a starts at :99, and a server just stopped there by the
# run before may still hold it, so that the program cannot connect. The virtual display at times
# still refuses the program (seen after the package step had run its servers as another user): such
# a run is tried again; any other failure stands.
for attempt in 1 2 3; do
status=0
xvfb-run -a -n $((200 + RANDOM % 700)) dbus-run-session -- bash -c '
  work=$1 program=$2 here=$3 records=$4 probe=$5
  shift 5
  "$work/$(basename "$program")" "$@" >"$work/program.log" 2>&1 &
  app=$!
  /usr/bin/python3 "$here/$probe" "$records"; status=$?
  kill $app 2>/dev/null; wait $app 2>/dev/null
  [[ $status -eq 0 ]] || tail -n 30 "$work/program.log" >&2
  exit $status' _ "$WORK" "$PROGRAM" "$HERE" "$RECORDS" "$PROBE" "$@" 2> >(grep -v "dbus-daemon\|SpiRegistry" >&2) || status=$?
[[ $status -ne 0 ]] && grep -q "could not connect to display" "$WORK/program.log" 2>/dev/null || break
echo "attempt $attempt: the virtual display refused the program; trying again" >&2
done
exit $status
