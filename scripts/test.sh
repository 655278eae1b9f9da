#!/usr/bin/env bash
# Fresh machine to green tests: installs what is missing, builds, runs every test; then builds the
# suite once more with AddressSanitizer and UndefinedBehaviorSanitizer and runs it again.
# Between the two, the Debian package is built, installed, run and purged (scripts/test-package.sh;
# OHMARA_SKIP_PACKAGE=1 skips it). OHMARA_SKIP_SANITIZERS=1 skips the second pass (quicker local runs).
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh"
"$ROOT/scripts/build.sh"
BUILD="${OHMARA_BUILD_DIR:-$ROOT/build}"
export QT_QPA_PLATFORM=offscreen
(cd "$BUILD" && ctest --output-on-failure -j2)
if [[ "${OHMARA_SKIP_PACKAGE:-0}" != 1 ]]; then
  "$ROOT/scripts/test-package.sh" "$BUILD"
fi

if [[ "${OHMARA_SKIP_SANITIZERS:-0}" != 1 ]]; then
  ASAN_BUILD="${OHMARA_ASAN_BUILD_DIR:-$ROOT/build-asan}"
  OHMARA_BUILD_DIR="$ASAN_BUILD" "$ROOT/scripts/build.sh" -DOHMARA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
  export LSAN_OPTIONS="suppressions=$ROOT/tests/sanitizers/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:suppressions=$ROOT/tests/sanitizers/ubsan.supp"
  (cd "$ASAN_BUILD" && ctest --output-on-failure -j2 -E "${OHMARA_ASAN_EXCLUDE:-^$}")
fi
