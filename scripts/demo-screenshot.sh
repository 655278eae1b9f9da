#!/usr/bin/env bash
# Takes the README's picture of the main window (docs/main-window.png, or the path given): runs
# the demo of scripts/run.sh on a virtual X display, presses 连接设备 and 上传数据 and picks a row
# as a user would, saves the window and leaves through 退出. Needs xvfb-run, xdotool and
# ImageMagick's import.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
OUT="$(realpath -m "${1:-$ROOT/docs/main-window.png}")"

if [[ -z "${OHMARA_SCREENSHOT_DISPLAY:-}" ]]; then
  exec xvfb-run -a -s "-screen 0 1280x800x24" env OHMARA_SCREENSHOT_DISPLAY=1 "$0" "$OUT"
fi

"$ROOT/scripts/run.sh" >/dev/null &
RUN_PID=$!
trap 'kill -TERM "$RUN_PID" 2>/dev/null || true; wait "$RUN_PID" 2>/dev/null || true' EXIT

# run.sh may still be building: wait for the window as long as it runs.
WINDOW=""
while [[ -z "$WINDOW" ]]; do
  if ! kill -0 "$RUN_PID" 2>/dev/null; then
    echo "demo-screenshot: the demo ended before its window appeared" >&2
    exit 1
  fi
  sleep 0.5
  WINDOW="$(xdotool search --onlyvisible --classname ohmara 2>/dev/null | head -n1 || true)"
done
click() { # x y within the window's client area
  xdotool mousemove --window "$WINDOW" "$1" "$2" click 1
}
sleep 1
click 68 28 # 连接设备: the connect runs 100 ms after the click
sleep 2
click 172 28 # 上传数据
sleep 4      # a few records, each about a quarter of a second at 9600 baud
click 150 153 # the third record
sleep 1
mkdir -p "$(dirname "$OUT")"
import -window "$WINDOW" "$OUT"
click 845 28 # 退出
wait "$RUN_PID"
trap - EXIT
echo "demo-screenshot: $OUT"
