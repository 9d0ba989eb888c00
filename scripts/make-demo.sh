#!/usr/bin/env bash
# Prepares a demo workspace so that a first `make run` opens the main window:
# an engine folder with its Scenario folder, a fridge with sample archives made
# by our own archiver, and fzarc.ini beside the program (kept when present).
set -euo pipefail
cd "$(dirname "$0")/.."
demo="$PWD/build/demo"
engine="$demo/Tessarune"
fridge="$demo/冷蔵庫"
mkdir -p "$engine/Scenario" "$fridge"

for sample in samples/*/; do
  name=$(basename "$sample")
  archive="$fridge/$name.LZH"
  [ -e "$archive" ] || build/bin/fzarc-lha A "$archive" "$sample*.*" -x1 -r2 >/dev/null
done

ini=build/bin/fzarc.ini
if [ ! -e "$ini" ]; then
  printf '[FZARC Secound Edition]\r\nTRPath=%s\r\nArcPath=%s\r\nExitRMNoFileDir=0\r\n' "$engine" "$fridge" > "$ini"
fi
