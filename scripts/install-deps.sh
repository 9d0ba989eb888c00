#!/usr/bin/env bash
# Installs the Debian packages FZARC needs to build, test and run.
# As root (or with sudo) it installs what is missing; otherwise it prints the
# exact command and stops, so nothing is half-installed behind the user's back.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6widgets6 qt6-qpa-plugins
  libgtest-dev libgmock-dev
  qt6-translations-l10n fonts-noto-cjk xvfb xauth
  lhasa p7zip-full libarchive-tools strace desktop-file-utils
  time bc  # the benchmarks' measurements
)
for option in "$@"; do
  case "$option" in
    --with-fuzz) packages+=(clang libclang-rt-14-dev) ;;
    # The Windows build of the core, and Wine to run its tests.
    --windows) packages=(cmake ninja-build googletest g++-mingw-w64-x86-64-posix wine64 locales) ;;
    *) echo "install-deps.sh: unknown option $option" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  sudo=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  sudo=(sudo)
else
  echo "FZARC needs these Debian packages:" >&2
  echo "  sudo apt-get install ${missing[*]}" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
