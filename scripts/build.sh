#!/usr/bin/env bash
# Configures and builds into build/ (or $OHMARA_BUILD_DIR). Extra arguments go to cmake.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${OHMARA_BUILD_DIR:-$ROOT/build}"
export CCACHE_BASEDIR="$ROOT"
cmake -S "$ROOT" -B "$BUILD" -G Ninja "$@" >/dev/null
cmake --build "$BUILD"
