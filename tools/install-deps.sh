#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need, once.
# Idempotent and silent when everything is present; run as root (or through sudo).
# When something cannot be set up it says what is missing and the command that fixes it, and exits 1.
set -euo pipefail

PKGS_HOST="g++-mingw-w64-i686 mingw-w64-i686-dev cmake make g++ clang lld llvm libclang-rt-14-dev googletest
  xvfb xauth xdotool imagemagick x11-utils x11-xserver-utils openbox ffmpeg fonts-ipafont-gothic
  fonts-dejavu-core locales python3-pytest python3-pytest-xdist python3-pil python3-numpy chromium pulseaudio
  postgresql python3-psycopg python3-psycopg-pool gunicorn python3-waitress nginx nsis osslsigncode icoutils lintian unzip"
PKGS_WINE="wine wine32:i386 wine64 libasound2-plugins:i386"

# The message ends the script: a person reads what is missing and what to type, and nothing else.
give_up() {
  {
    echo
    echo "install-deps: cannot set up $1."
    shift
    printf '  %s\n' "$@"
    echo
  } >&2
  exit 1
}

need=()
for p in $PKGS_HOST $PKGS_WINE; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
done
# The program runs in Japanese; the tests also run it as a Windows of another language would.
LOCALES="ja_JP en_US zh_CN"
has_locale() { locale -a 2>/dev/null | grep -qi "^$1\.utf-\?8$"; }
locale_ok=1
for l in $LOCALES; do has_locale "$l" || locale_ok=0; done

if [ ${#need[@]} -eq 0 ] && [ $locale_ok -eq 1 ]; then
  command -v wine >/dev/null ||
    give_up "Wine" "The wine package is installed but no 'wine' command is on PATH ($PATH)." \
      "Reinstall it as root:  apt-get install --reinstall wine wine32:i386"
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null || ! sudo -n true 2>/dev/null; then
    missing="${need[*]}"
    [ $locale_ok -eq 1 ] || missing="${missing:+$missing, }the locales $LOCALES (UTF-8)"
    give_up "the packages: this needs root, and sudo is not available without a password" \
      "Missing: $missing" \
      "Run once as root:  su -c 'bash $0'" \
      "(or give this user sudo, then run make again)"
  fi
  SUDO="sudo -n"
fi
export DEBIAN_FRONTEND=noninteractive

if [ ${#need[@]} -gt 0 ]; then
  echo "install-deps: installing ${need[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386 2>/dev/null ||
      give_up "the i386 architecture, which the 32-bit Wine (wine32:i386) needs" \
        "dpkg refused: dpkg --add-architecture i386" \
        "Run as root:  dpkg --add-architecture i386 && apt-get update" \
        "(on a system without multiarch, install a 32-bit capable Wine by hand)"
  fi
  log=$(mktemp)
  if ! { $SUDO apt-get update -qq && \
         $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"; } >"$log" 2>&1; then
    tail -5 "$log" >&2
    rm -f "$log"
    case " ${need[*]} " in
      *" wine"*) give_up "Wine (wine, wine32:i386)" \
          "apt-get could not install: ${need[*]}" \
          "Run as root:  dpkg --add-architecture i386 && apt-get update && apt-get install wine wine32:i386 wine64" ;;
      *) give_up "the packages ${need[*]}" "Run as root:  apt-get update && apt-get install ${need[*]}" ;;
    esac
  fi
  rm -f "$log"
fi
command -v wine >/dev/null ||
  give_up "Wine" "No 'wine' command after the installation." \
    "Run as root:  apt-get install wine wine32:i386 wine64"

missing_locales=""
for l in $LOCALES; do has_locale "$l" || missing_locales="$missing_locales $l"; done
if [ -n "$missing_locales" ]; then
  echo "install-deps: generating$missing_locales (UTF-8)"
  for l in $missing_locales; do
    $SUDO sed -i "s/^# *$l.UTF-8 UTF-8/$l.UTF-8 UTF-8/" /etc/locale.gen
    grep -q "^$l.UTF-8 UTF-8" /etc/locale.gen || echo "$l.UTF-8 UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
  done
  $SUDO locale-gen >/dev/null
fi
