#!/usr/bin/env bash
# Builds and runs every benchmark, one after the other, and notes the machine they ran on.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
BUILD="${OHMARA_BUILD_DIR:-$ROOT/build}"
export QT_QPA_PLATFORM=offscreen
echo "machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores," \
  "$(free -g | awk '/Mem:/{print $2}') GiB, $(uname -sr)"
echo "date: $(date -u +%Y-%m-%dT%H:%MZ), build: $(git -C "$ROOT" rev-parse --short HEAD)"
for bench in "$BUILD"/bench/bench_*; do
  [[ -f "$bench" && -x "$bench" ]] || continue
  echo "== $(basename "$bench")"
  "$bench"
done
