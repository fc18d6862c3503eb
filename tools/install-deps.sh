#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need, once.
# Idempotent and silent when everything is present; run as root (or through sudo).
set -euo pipefail

PKGS_HOST="g++-mingw-w64-i686 mingw-w64-i686-dev cmake make g++ clang libclang-rt-14-dev googletest
  xvfb xauth xdotool imagemagick x11-utils openbox fonts-ipafont-gothic fonts-dejavu-core locales
  python3-pytest python3-pil python3-numpy chromium"
PKGS_WINE="wine wine32:i386 wine64"

need=()
for p in $PKGS_HOST $PKGS_WINE; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
locale_ok=1
locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' || locale_ok=0

if [ ${#need[@]} -eq 0 ] && [ $locale_ok -eq 1 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive

if [ ${#need[@]} -gt 0 ]; then
  echo "install-deps: installing ${need[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  echo "install-deps: generating ja_JP.UTF-8"
  $SUDO sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
