#!/usr/bin/env bash
# Fresh machine to a running program: installs what is missing, builds, starts ohmara.
#
# By default this is a demo without hardware: the virtual instrument ohmara-sim answers on a
# pseudo-terminal with a few stored records, and the program starts from a folder of its own
# (build/demo/, holding a copy of the executable and of its .xls reader tool, its SystemFile.ini
# and its data folder), set up to reach the instrument as COM3 over the serial link. The demo's
# settings start afresh on every run; no other SystemFile.ini is touched. When the program ends,
# the instrument stops.
#
# OHMARA_HARDWARE=1 scripts/run.sh starts build/ohmara itself, for a real instrument.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
BUILD="${OHMARA_BUILD_DIR:-$ROOT/build}"

if [[ "${OHMARA_HARDWARE:-0}" == 1 ]]; then
  exec "$BUILD/ohmara" "$@"
fi

DEMO="$BUILD/demo"
DEMO_PORT=3
mkdir -p "$DEMO"
# The program keeps SystemFile.ini and its data folder beside its executable: give it its own.
cp -f "$BUILD/ohmara" "$DEMO/ohmara"
# Legacy .xls workbooks are read by a tool that must lie beside the executable.
cp -f "$BUILD/ohmara-xls" "$DEMO/ohmara-xls"
printf '[Communication]\r\ngiCommStyle=1\r\ngiCommPort=%d\r\ngiBaudRate=6\r\n' "$DEMO_PORT" >"$DEMO/SystemFile.ini"

SIM_OUT="$(mktemp)"
SIM_PID=""
stop_sim() {
  if [[ -n "$SIM_PID" ]]; then
    kill -TERM "$SIM_PID" 2>/dev/null || true
    wait "$SIM_PID" 2>/dev/null || true
  fi
  rm -f "$SIM_OUT"
}
trap stop_sim EXIT

# The instrument maps COM3 to its pseudo-terminal in the demo's SystemFile.ini, then prints the
# device path: once that line is there, the program can start.
"$BUILD/sim/ohmara-sim" --demo --ini "$DEMO/SystemFile.ini" --port "$DEMO_PORT" >"$SIM_OUT" &
SIM_PID=$!
for _ in $(seq 100); do
  [[ -s "$SIM_OUT" ]] && break
  if ! kill -0 "$SIM_PID" 2>/dev/null; then
    echo "run: the virtual instrument did not start" >&2
    exit 1
  fi
  sleep 0.1
done
if [[ ! -s "$SIM_OUT" ]]; then
  echo "run: the virtual instrument did not report its pseudo-terminal" >&2
  exit 1
fi
echo "run: demo instrument on $(head -n1 "$SIM_OUT") as COM$DEMO_PORT; press 连接设备, then 上传数据"

status=0
"$DEMO/ohmara" "$@" || status=$?
exit "$status"
