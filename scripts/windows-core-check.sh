#!/usr/bin/env bash
# Cross-builds the core library and its GoogleTest suite for 64-bit Windows with mingw-w64 and
# runs core_tests.exe under Wine; exits non-zero when a test fails or anything on the way does.
# As root (or with sudo) it installs what is missing from Debian's or Ubuntu's packages;
# otherwise it prints the one command to run. Builds in build/windows-core.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake make libgtest-dev g++-mingw-w64-x86-64-posix wine wine64)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -eq 0 ]; then
    sudo=()
  elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
    sudo=(sudo)
  else
    echo "The Windows check of the core needs these packages. Please run:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y --no-install-recommends ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

dir=build/windows-core
# The toolchain is taken at the first configuration only; CMake keeps it in the cache.
toolchain=()
[ -f "$dir/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)
cmake -S . -B "$dir" "${toolchain[@]}" -DRENNIK_GUI=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$dir" -j"$(nproc)" --target core_tests

# A Wine prefix of its own beside the build, so that the user's ~/.wine is left alone; no Wine
# chatter, and no offer to install Mono or Gecko, which a console program does not need.
export WINEPREFIX="$PWD/$dir/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -d "$WINEPREFIX" ]; then
  # The first start sets the prefix up (some ten seconds); its notes about the 32-bit half of
  # Wine, which a 64-bit program does not use, are dropped.
  echo "Setting up the Wine prefix $WINEPREFIX"
  wine wineboot --init 2>/dev/null
fi
wine "$dir/tests/core_tests.exe"
