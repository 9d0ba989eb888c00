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
dpkg-deb -f "$deb" Package Version Architecture
echo "$files"
exit $status
