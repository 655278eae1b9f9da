#!/usr/bin/env bash
# Builds the Debian package ohmara_<version>_<arch>.deb into the project folder with
# dpkg-buildpackage, from a copy of the sources in build-deb/ (the build leaves the tree as it
# was), then checks it with lintian (no error) and its desktop entry and AppStream metadata with
# their validators. Installs what it needs first, like setup.sh.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$ROOT/scripts/setup.sh" dpkg-dev debhelper fakeroot lintian build-essential

VERSION="$(dpkg-parsechangelog -l "$ROOT/debian/changelog" -SVersion)"
PROJECT_VERSION="$(sed -n 's/^project(Ohmara VERSION \([^ ]*\) .*/\1/p' "$ROOT/CMakeLists.txt")"
if [[ "$VERSION" != "$PROJECT_VERSION" ]]; then
  echo "package: debian/changelog names $VERSION, CMakeLists.txt $PROJECT_VERSION" >&2
  exit 1
fi
ARCH="$(dpkg-architecture -qDEB_HOST_ARCH)"
DEB="ohmara_${VERSION}_${ARCH}.deb"

# The sources git knows of (committed or not, ignored files left out), in a folder of their own.
WORK="$ROOT/build-deb"
SRC="$WORK/ohmara-$VERSION"
rm -rf "$WORK"
mkdir -p "$SRC"
(cd "$ROOT" && git ls-files -z --cached --others --exclude-standard |
  tar --null --ignore-failed-read -T - -cf - 2>/dev/null) | tar -xf - -C "$SRC"

# debhelper gives the build a HOME of its own: ccache's folder is named to keep it.
if command -v ccache >/dev/null; then
  CCACHE_DIR="${CCACHE_DIR:-$(ccache -k cache_dir)}"
  export CCACHE_DIR CCACHE_BASEDIR="$SRC"
fi
export DEB_BUILD_OPTIONS="nocheck noautodbgsym parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}"
(cd "$SRC" && dpkg-buildpackage -b -us -uc)
mv "$WORK/$DEB" "$ROOT/$DEB"

lintian --fail-on error --display-info "$ROOT/$DEB"
UNPACKED="$WORK/unpacked"
dpkg-deb -x "$ROOT/$DEB" "$UNPACKED"
desktop-file-validate "$UNPACKED/usr/share/applications/ohmara.desktop"
appstreamcli validate --no-net "$UNPACKED"/usr/share/metainfo/*.metainfo.xml
echo "package: $ROOT/$DEB"
