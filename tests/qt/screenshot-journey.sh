#!/usr/bin/env bash
# Runs the screenshot journey (the test binary given) under a virtual display
# of its own, at the scale given (1 by default). Exits 77, skipped, without
# Xvfb. FZARC_SHOTS and FZARC_SHOT_WORKSPACE pass through to the journey. The
# locale is Japanese, as on the desktops the program is for: it picks the
# fonts (Noto Sans CJK JP for Latin text too) and how the folder picker shows dates.
set -euo pipefail
journey=$1
scale=${2:-1}
if ! command -v Xvfb >/dev/null || ! command -v xvfb-run >/dev/null; then
  echo "Xvfb is not installed (apt-get install xvfb xauth): the screenshot journey is skipped"
  exit 77
fi
unset LC_ALL LC_CTYPE LC_TIME
export QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale LANG=ja_JP.UTF-8
exec xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96 -nolisten tcp" "$journey"
