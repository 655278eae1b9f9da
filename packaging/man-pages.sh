#!/bin/sh
# Writes the manual pages of ohmara and ohmara-archive, made by help2man from their --help and
# packaging/<program>.h2m (the name line and what --help does not say).
# Usage: man-pages.sh BUILD_DIR OUT_DIR VERSION
set -eu
BUILD=$1 OUT=$2 VERSION=$3
HERE="$(cd "$(dirname "$0")" && pwd)"
mkdir -p "$OUT"
# help2man reads the help text in the locale's encoding: UTF-8.
export LC_ALL=C.UTF-8
for program in ohmara ohmara-archive; do
  # help2man takes whatever a failing program printed for its help: the program must answer first,
  # by itself, without a window (one that opened a window would hang here: give up in time).
  timeout 60 "$BUILD/$program" --help >/dev/null </dev/null
  timeout 60 help2man --locale=C.UTF-8 --no-info --section=1 \
    --version-string="$VERSION" --include="$HERE/$program.h2m" --output="$OUT/$program.1" \
    "$BUILD/$program"
done
