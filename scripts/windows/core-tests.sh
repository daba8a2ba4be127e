#!/usr/bin/env bash
# Cross-builds the core library and its GoogleTest suite for 64-bit Windows with mingw-w64 and
# runs core_tests.exe under Wine; exits non-zero when a test fails or anything on the way does.
# It installs what is missing from Debian's packages (as root or with sudo; otherwise it prints
# the one command to run). Builds in build/windows-core, against the SQLite of build-sqlite.sh.
set -euo pipefail
cd "$(dirname "$0")/../.."

scripts/ensure-packages.sh --no-install-recommends cmake make libgtest-dev g++-mingw-w64-x86-64-posix wine wine64

# SQLite for Windows, built once from Debian's source into a cache outside the tree.
scripts/windows/build-sqlite.sh
sqlite=${RENNIK_WIN_SQLITE:-$HOME/.cache/rennik1/sqlite-3.40.1-win64}

dir=build/windows-core
# The toolchain is taken at the first configuration only; CMake keeps it in the cache. SQLite's
# paths are given every time, so a cache from before the core needed SQLite gets them too.
toolchain=()
[ -f "$dir/CMakeCache.txt" ] || toolchain=(-DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake)
cmake -S . -B "$dir" "${toolchain[@]}" -DRENNIK_GUI=OFF -DCMAKE_BUILD_TYPE=Release \
  -DSQLite3_INCLUDE_DIR="$sqlite/include" -DSQLite3_LIBRARY="$sqlite/lib/libsqlite3.a" >/dev/null
cmake --build "$dir" -j"$(nproc)" --target core_tests

. scripts/windows/wine-prefix.sh
use_wine_prefix "$PWD/$dir/wine-prefix"
wine "$dir/tests/core_tests.exe"
