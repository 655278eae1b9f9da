#!/usr/bin/env bash
# Fresh machine to green tests: installs what is missing, builds, runs every test.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
BUILD="${OHMARA_BUILD_DIR:-$ROOT/build}"
export QT_QPA_PLATFORM=offscreen
cd "$BUILD"
ctest --output-on-failure -j2
