#!/usr/bin/env bash
# Builds the Debian package from the build folder given and checks what it
# installs and what it depends on. Exits 77 (skipped) without dpkg-deb.
set -euo pipefail
build=$1
command -v dpkg-deb >/dev/null || { echo "dpkg-deb is not installed: the package cannot be checked"; exit 77; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack -G DEB -B "$out" --config "$build/CPackConfig.cmake" >/dev/null
deb=$(ls "$out"/fzarc_*.deb)
files=$(dpkg-deb -c "$deb" | awk '{print $6}')
status=0
for want in ./usr/bin/fzarc ./usr/bin/fzarc-lha ./usr/share/applications/fzarc.desktop \
            ./usr/share/icons/hicolor/32x32/apps/fzarc.png ./usr/share/icons/hicolor/48x48/apps/fzarc.png \
            ./usr/share/icons/hicolor/128x128/apps/fzarc.png ./usr/share/icons/hicolor/scalable/apps/fzarc.svg \
            ./usr/share/man/man1/fzarc-lha.1; do
  grep -qx "$want" <<< "$files" || { echo "missing from the package: $want"; status=1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for want in libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n fonts-noto-cjk; do
  grep -q "$want" <<< "$depends" || { echo "not among the dependencies: $want"; status=1; }
done
# The description as apt shows it: no ";" left from joined strings, and
# lines that fit a terminal.
description=$(dpkg-deb -f "$deb" Description)
if grep -q ';' <<< "$description"; then echo "a stray \";\" in the description:"; echo "$description"; status=1; fi
if awk 'length > 80 { bad = 1 } END { exit !bad }' <<< "$description"; then
  echo "description lines longer than 80 columns:"; echo "$description"; status=1
fi
# The desktop entry as installed: not a warning, not a hint.
if command -v desktop-file-validate >/dev/null; then
  dpkg-deb -x "$deb" "$out/root"
  report=$(desktop-file-validate "$out/root/usr/share/applications/fzarc.desktop" 2>&1) || status=1
  if [ -n "$report" ]; then echo "$report"; status=1; fi
else
  echo "desktop-file-validate is not installed (apt-get install desktop-file-utils): the desktop entry is not checked"
fi
dpkg-deb -f "$deb" Package Version Architecture
echo "$files"
exit $status
