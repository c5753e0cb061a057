#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12. Installs only what is
# missing, so a prepared machine is not touched.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev libqt6sql6-sqlite
  libjpeg62-turbo-dev libchm-dev fp-utils libcups2-dev libzip-dev libpoppler-cpp-dev
  libtesseract-dev libleptonica-dev tesseract-ocr-deu
  libbenchmark-dev
  fonts-liberation xvfb xauth
  dpkg-dev lintian desktop-file-utils appstream
  qt6-translations-l10n
  cups printer-driver-cups-pdf poppler-utils libreoffice-calc-nogui
  dosfstools fusefat
  dbus at-spi2-core python3-pyatspi xdotool
  syncthing faketime
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installiere: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
