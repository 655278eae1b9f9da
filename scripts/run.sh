#!/usr/bin/env bash
# Fresh machine to a running program: installs what is missing, builds, starts ohmara.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
BUILD="${OHMARA_BUILD_DIR:-$ROOT/build}"
exec "$BUILD/ohmara" "$@"
