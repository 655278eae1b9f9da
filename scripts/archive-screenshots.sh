#!/usr/bin/env bash
# Takes the README's pictures of the record archive's windows (docs/register.png,
# docs/overview.png, docs/bay-history.png, docs/assessed-grid.png, docs/job.png, docs/due-list.png,
# docs/audit-trail.png, or into the folder given), drawn off screen by Qt.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${OHMARA_BUILD_DIR:-$ROOT/build}"
OUT="$(realpath -m "${1:-$ROOT/docs}")"
cmake -S "$ROOT" -B "$BUILD" -G Ninja >/dev/null
cmake --build "$BUILD" --target ohmara-archive-screenshots
mkdir -p "$OUT"
QT_QPA_PLATFORM=offscreen "$BUILD/ohmara-archive-screenshots" "$OUT"
echo "archive-screenshots: register, overview, bay-history, assessed-grid, job, due-list, audit-trail (.png) in $OUT"
