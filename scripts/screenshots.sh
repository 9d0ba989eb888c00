#!/usr/bin/env bash
# Takes the screenshots of docs/screenshots/: the program under a virtual
# display, driven by keys as a user drives it. Needs xvfb, xdotool and
# imagemagick (apt-get install xvfb xdotool imagemagick), and `make demo`.
# SCALE=1.5 takes them with Qt scaled one and a half times.
set -euo pipefail
command -v bc >/dev/null || { echo "needs bc" >&2; exit 1; }
cd "$(dirname "$0")/.."
scale=${SCALE:-1}
out=docs/screenshots
suffix=$([ "$scale" = 1 ] && echo "" || echo "-x$scale")
mkdir -p "$out"
display=:97
Xvfb "$display" -screen 0 1280x900x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; kill $app 2>/dev/null || true' EXIT
export DISPLAY=$display QT_SCALE_FACTOR=$scale
sleep 1

# A board with scenarios on it: the demo's archives taken out beforehand.
board=build/demo/Tessarune/Scenario/FZARC_まな板
for a in build/demo/冷蔵庫/*.LZH; do
  name=$(basename "$a" .LZH)
  [ -d "$board/$name" ] || build/bin/fzarc-lha E "$a" "$board/$name/" >/dev/null
done

build/bin/fzarc &
app=$!
window() { xdotool search --sync --onlyvisible --name "$1" | tail -1; }
shot() {  # shot FILE WINDOW-NAME
  sleep 0.7
  local id; id=$(window "$2")
  import -window "$id" "$out/$1$suffix.png"
  echo "$out/$1$suffix.png"
}
keys() { xdotool windowfocus --sync "$(window "$1")"; shift; xdotool key --delay 150 "$@"; }

main="Tessarune scenario freezer for LZH"
window "$main" >/dev/null
shot main-window "$main"
keys "$main" alt+f s
shot settings "設定"
keys "設定" alt+period
shot folder-picker "Tessarune インストール先"
keys "Tessarune インストール先" Escape
# Alt+C is both the install folder's label and Cancel here: Tab to Cancel.
keys "設定" Tab Tab Tab Tab Tab space
keys "$main" Tab Tab Tab Down alt+d
shot throw-away-question-1 "FZARC"
keys "FZARC" alt+y
shot throw-away-question-2 "FZARC"
keys "FZARC" alt+n
# The list was refreshed: click the first scenario to highlight it again.
xdotool mousemove --window "$(window "$main")" "$(echo "60 * $scale" | bc)" "$(echo "203 * $scale" | bc)" click 1
keys "$main" alt+r
shot put-away-input "シナリオをしまう"
keys "シナリオをしまう" Escape
keys "$main" alt+t
shot viewer "ドキュメントビューワ"
keys "ドキュメントビューワ" Down
shot viewer-reading "ドキュメントビューワ"
keys "ドキュメントビューワ" Escape
keys "$main" alt+h v
shot about "のバージョン情報"
keys "のバージョン情報" Escape
