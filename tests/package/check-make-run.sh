#!/usr/bin/env bash
# `make run` as a first-day user meets it: without a display it says so before
# it installs or builds anything; with one it builds the program and its
# archiver, never the test suite.
set -euo pipefail
src=$1
stub=$(mktemp -d)
trap 'rm -rf "$stub"' EXIT
# Whatever would install or build goes through these, and is recorded.
for tool in cmake ctest apt-get dpkg-query sudo; do
  printf '#!/bin/sh\necho "%s $*" >> "%s/called"\nexit 1\n' "$tool" "$stub" > "$stub/$tool"
  chmod +x "$stub/$tool"
done
status=0
if out=$(env -u DISPLAY -u WAYLAND_DISPLAY PATH="$stub:$PATH" make -s -C "$src" run 2>&1); then
  echo "make run went on without a display"; status=1
fi
grep -q "No display found" <<< "$out" || { echo "make run said nothing about the display:"; echo "$out"; status=1; }
if [ -e "$stub/called" ]; then echo "make run set to work before looking for a display:"; cat "$stub/called"; status=1; fi

# With a display, what it would build (make -n runs nothing but itself).
plan=$(DISPLAY=:0 make -n -C "$src" run)
builds=$(grep -E '^cmake --build' <<< "$plan" || true)
if [ "$builds" != "cmake --build --preset dev -j2 --target fzarc fzarc-lha" ]; then
  echo "make run builds more than the program:"; echo "$plan"; status=1
fi
exit $status
