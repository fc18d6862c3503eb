#!/usr/bin/env bash
# The one way Robina.exe and its test programs are started on Linux: a private 32-bit Wine prefix in
# the build folder, the Japanese locale (code page 932) unless another is asked for, quiet debug channels, an ALSA sink that writes
# every played sample to a file, and a virtual X display when none is given.
#
#   wine-env.sh PROGRAM.exe [ARGS...]   run a Windows program (this is CTest's emulator)
#   wine-env.sh --exec COMMAND [ARGS...] run a Linux command inside the environment (ctest, pytest)
#   wine-env.sh --init                   only create the prefix
#   wine-env.sh --can-run                exit 0 when this machine runs 32-bit programs (Wine's are),
#                                        else say why and exit 1
#   wine-env.sh                          an interactive shell inside the environment
#
# Settings, all optional:
#   ROBINA_BUILD        build folder holding the prefix (default: <repo>/build)
#   ROBINA_PREFIX       the Wine prefix (default: $ROBINA_BUILD/wineprefix)
#   ROBINA_AUDIO_FILE   where played audio is written (default: $ROBINA_BUILD/audio.raw), as Wine
#                       mixes it: 32-bit float stereo at 48 kHz, written faster than real time;
#                       "none" gives the program no audio device at all; "system" leaves the
#                       machine's own sound set-up alone, to hear the program
#   ROBINA_SCREEN_DEPTH depth of the virtual display started here: 24 (default) or 16
#   ROBINA_SCREEN_SIZE  size of the virtual display started here (default 1024x768)
#   ROBINA_DPI          the screen density of the prefix (Wine's LogPixels), set when the prefix is
#                       made; a prefix keeps the density it was made with (default 96)
#   ROBINA_DLL_OVERRIDES more Wine DLL overrides ("dinput=d": a system without DirectInput)
#   ROBINA_LANG         the locale the Windows programs run in (default ja_JP.UTF-8): Wine gives them
#                       that language's code page, en_US.UTF-8 1252 and zh_CN.UTF-8 936, as a Windows
#                       of that language would
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(dirname "$here")
: "${ROBINA_BUILD:=$repo/build}"
mkdir -p "$ROBINA_BUILD"
ROBINA_BUILD=$(cd "$ROBINA_BUILD" && pwd)
export ROBINA_BUILD

export WINEPREFIX="${ROBINA_PREFIX:-$ROBINA_BUILD/wineprefix}"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${ROBINA_DLL_OVERRIDES:+;$ROBINA_DLL_OVERRIDES}"

start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 5 -screen 0 "${ROBINA_SCREEN_SIZE:-1024x768}x${ROBINA_SCREEN_DEPTH:-24}" -nolisten tcp -noreset \
    5>"$fdfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    sleep 0.05
  done
  DISPLAY=":$(tr -dc 0-9 <"$fdfile")"
  rm -f "$fdfile"
  export DISPLAY
  trap 'kill $XVFB_PID 2>/dev/null || true' EXIT
}

# ALSA reads ~/.asoundrc, so the audio sink is chosen through a HOME of its own.
setup_audio() {
  local file=${ROBINA_AUDIO_FILE:-$ROBINA_BUILD/audio.raw}
  [ "$file" = system ] && return 0
  export ROBINA_AUDIO_FILE=$file  # the program's tests read back what was played from it
  local home="$ROBINA_BUILD/alsa-homes/$(printf '%s' "$file" | md5sum | cut -c1-12)"
  mkdir -p "$home"
  if [ "$file" = none ]; then
    printf 'pcm.!default { type hw card 99 }\n' >"$home/.asoundrc"
  else
    mkdir -p "$(dirname "$file")"
    printf 'pcm.!default { type file slave.pcm "null" file "%s" format "raw" }\n' "$file" >"$home/.asoundrc"
  fi
  export HOME="$home"
}

# A prefix is made once per build (wineboot takes about 15 s of both cores) as a template, and every
# prefix asked for is a copy of it (a fraction of a second): the test runners give each worker, each
# CTest program that needs the registry to itself, and each installer test a prefix of its own.
TEMPLATE="$ROBINA_BUILD/prefix-template"

prefix_ready() { [ -f "$1/.robina-ready" ] && [ -f "$1/.robina-no-debugger" ] && [ -f "$1/.robina-own-folders" ]; }

make_template() {
  local tmp="$TEMPLATE.new"
  rm -rf "$tmp"
  echo "wine-env: creating the template Wine prefix in $TEMPLATE (about 15 s, once per build folder)" >&2
  (
    export WINEPREFIX="$tmp" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
    wineboot -i >/dev/null 2>&1 || true
    # The program asks for the classic Japanese font faces; the prefix maps them to IPA fonts.
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
    wine reg add "$key" /v "ＭＳ ゴシック" /d "IPAGothic" /f >/dev/null 2>&1 || true
    wine reg add "$key" /v "ＭＳ Ｐゴシック" /d "IPAPGothic" /f >/dev/null 2>&1 || true
    # A crashing program ends at once with its exit code: the automatic debugger named here cannot
    # start, where Wine's own would wait in its crash dialog until a test runner's time-out.
    local aedebug='HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug'
    wine reg add "$aedebug" /v Debugger /d "no-debugger-here %ld %ld" /f >/dev/null 2>&1 || true
    wine reg add "$aedebug" /v Auto /d 1 /f >/dev/null 2>&1 || true
    wineserver -w || true
  )
  if [ ! -d "$tmp/drive_c" ]; then
    rm -rf "$tmp"
    local why
    why=$(can_run 2>&1) || why=": ${why#wine-env: }"
    echo "wine-env: wineboot made no prefix in $tmp$why" >&2
    exit 1
  fi
  own_folders "$tmp"
  touch "$tmp/.robina-ready" "$tmp/.robina-no-debugger"
  rm -rf "$TEMPLATE"
  mv "$tmp" "$TEMPLATE"
}

# Wine's loader is a 32-bit Linux program: a kernel without 32-bit support refuses it (some virtual
# machines run 64-bit code only), and then no Windows program of this project can run.
can_run() {
  local why
  why=$(wine --version 2>&1 >/dev/null) && return 0
  echo "wine-env: this machine cannot run 32-bit programs, so Wine cannot start (${why##*: }); the kernel needs IA-32 emulation (ia32_emulation=on)" >&2
  return 1
}

# Wine links the user's Desktop, Documents, Downloads, ... to the Linux home folder: a prefix's
# programs would write into the home of whoever runs them, and every prefix into the same one. Each
# prefix keeps folders of its own, as a Windows account has. (Also mended in a prefix made before.)
own_folders() {
  local link
  for link in "$1"/drive_c/users/*/*; do
    [ -L "$link" ] || continue
    rm "$link" && mkdir "$link"
  done
  touch "$1/.robina-own-folders"
}

init_prefix() {
  prefix_ready "$WINEPREFIX" && return 0
  mkdir -p "$ROBINA_BUILD/locks"
  exec 9>"$ROBINA_BUILD/locks/template.lock"
  flock 9
  prefix_ready "$TEMPLATE" || make_template
  flock -u 9
  # Two programs started at once in a new prefix: one copies, the other waits for the copy.
  exec 9>"$ROBINA_BUILD/locks/$(printf '%s' "$WINEPREFIX" | md5sum | cut -c1-12).lock"
  flock 9
  if [ -f "$WINEPREFIX/.robina-ready" ] && [ -f "$WINEPREFIX/.robina-no-debugger" ]; then
    own_folders "$WINEPREFIX"
  elif ! prefix_ready "$WINEPREFIX"; then
    copy_template "$WINEPREFIX"
    set_density "$WINEPREFIX"
  fi
  flock -u 9
}

# Wine reads the screen's density from two registry values when its server starts: they are written
# into a new prefix before any program of it runs, and its server ended so that the next start reads them.
set_density() {
  [ -n "${ROBINA_DPI:-}" ] && [ "$ROBINA_DPI" != 96 ] || return 0
  (
    export WINEPREFIX="$1"
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$ROBINA_DPI" /f >/dev/null 2>&1
    wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' /v LogPixels \
      /t REG_DWORD /d "$ROBINA_DPI" /f >/dev/null 2>&1
    wineserver -k || true
    wineserver -w || true
  )
}

# The 550 MB of Windows's own program files are shared as hard links (nothing writes them but a Wine
# upgrade, which would rewrite them all alike); every other file (the registry, ini files) is a copy.
# On another file system than the template's, everything is a copy.
copy_template() {
  mkdir -p "$1"
  if cp -a --link "$TEMPLATE/." "$1/" 2>/dev/null; then
    (cd "$TEMPLATE" && find . -type f ! -iregex "$SHARED_FILES" -print0) |
      (cd "$1" && xargs -0 -r -I{} cp -a --remove-destination "$TEMPLATE/{}" "{}")
  else
    cp -a --remove-destination "$TEMPLATE/." "$1/"
  fi
}
SHARED_FILES='.*\.\(dll\|exe\|drv\|sys\|nls\|ocx\|acm\|cpl\|tlb\|vxd\|msstyles\)'

run_windows() {
  export LANG=${ROBINA_LANG:-ja_JP.UTF-8} LC_ALL=${ROBINA_LANG:-ja_JP.UTF-8}
  wine "$@"
}

case "${1:-}" in
  --can-run)
    can_run ;;
  --init)
    start_display; init_prefix ;;
  --exec)
    shift
    start_display; init_prefix
    status=0
    "$@" || status=$?
    exit $status ;;
  "")
    start_display; init_prefix; setup_audio
    export LANG=${ROBINA_LANG:-ja_JP.UTF-8} LC_ALL=${ROBINA_LANG:-ja_JP.UTF-8}
    echo "wine-env: prefix $WINEPREFIX, display $DISPLAY; 'wine PROGRAM.exe' runs a program" >&2
    bash -i ;;
  *)
    start_display; init_prefix; setup_audio
    status=0
    run_windows "$@" || status=$?
    exit $status ;;
esac
