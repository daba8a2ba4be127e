#!/usr/bin/env bash
# Builds the fuzzers in build/fuzz: the core and the targets with clang, libFuzzer and the
# address and undefined-behaviour sanitizers (clang and its runtime come from install-deps.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
[ "$jobs" -gt 2 ] && jobs=2
cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++-14 -DRENNIK_FUZZ=ON -DRENNIK_GUI=OFF -DRENNIK_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -gline-tables-only" -DCMAKE_UNITY_BUILD=ON >/dev/null
cmake --build build/fuzz -j"$jobs"
