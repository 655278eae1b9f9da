#!/usr/bin/env bash
# Installs the Debian packages the project builds, runs and tests with, and any packages named as
# arguments. Idempotent and quiet: does nothing when every package is already present.
set -euo pipefail

PACKAGES=(
  g++ cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev libgl-dev
  libusb-1.0-0-dev libxlsxwriter-dev libzip-dev zlib1g-dev libfreexl-dev
  umockdev libumockdev-dev
  qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n
  fonts-arphic-uming fonts-noto-cjk fonts-liberation2 poppler-utils xvfb xauth
  libqt6sql6-sqlite sqlite3
  strace libreoffice-calc-nogui python3-xlrd python3-openpyxl python3-jsonschema
  desktop-file-utils appstream libqt6svg6 qt6-base-private-dev
  libqt6sql6-sqlite libqt6sql6-psql postgresql libpq-dev locales
  dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  help2man qt6-tools-dev qt6-l10n-tools
  "$@"
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
