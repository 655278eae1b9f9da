#!/usr/bin/env bash
# Takes the README's pictures of the clear question and the save dialog (docs/clear-question.png,
# docs/save-dialog.png, or into the folder given), and of the main window in English
# (docs/main-window-en.png). The windows are drawn off screen by Qt itself, with its own (not the
# desktop's) file dialog and its standard buttons in Chinese.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${OHMARA_BUILD_DIR:-$ROOT/build}"
OUT="$(realpath -m "${1:-$ROOT/docs}")"
cmake -S "$ROOT" -B "$BUILD" -G Ninja >/dev/null
cmake --build "$BUILD" --target ohmara-screenshots
mkdir -p "$OUT"
QT_QPA_PLATFORM=offscreen "$BUILD/ohmara-screenshots" "$OUT"
QT_QPA_PLATFORM=offscreen "$BUILD/ohmara-screenshots" "$OUT" --lang en
echo "docs-screenshots: $OUT/clear-question.png $OUT/save-dialog.png $OUT/main-window-en.png"
