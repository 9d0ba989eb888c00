#!/usr/bin/env bash
# Runs a Windows test executable under Wine, quietly, in a throw-away prefix
# inside the build folder. `--serve` starts the server a test run shares.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
export WINEPREFIX="${WINEPREFIX:-$here/build/windows-mingw/wineprefix}"
export WINEDEBUG=-all
# No Mono or Gecko installers: console tests need neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
wine=$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)
# Japanese Windows: Wine takes the ANSI code page 932 from a Japanese locale,
# and names files in its UTF-8 character set. The locale is built into the
# build folder once, so the machine's own settings stay untouched.
locales="$here/build/windows-mingw/locale"
if [ ! -d "$locales/ja_JP.UTF-8" ]; then
  mkdir -p "$locales"
  localedef -i ja_JP -f UTF-8 "$locales/ja_JP.UTF-8" 2>/dev/null || true
fi
run() { env LOCPATH="$locales" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$wine" "$@"; }
if [ "${1:-}" = --serve ]; then
  # One Wine server, and its services, for a whole test run: servers that
  # start and stop between tests race each other and drop clients. The
  # services are started here with their output going nowhere, or they
  # would hold open the output of the test that happened to start them.
  /usr/lib/wine/wineserver -p 2>/dev/null || true  # one may be running already
  run cmd.exe /c exit </dev/null >/dev/null 2>&1
  exit 0
fi
run "$@"
