#!/usr/bin/env bash
# Installs what is missing, builds and runs every test with CTest; exits non-zero on any failure.
#   1. the whole suite, Release build;
#   2. the whole suite again under the address and undefined-behaviour sanitizers;
#   3. the core alone, built without Qt: a Qt header that strays into the core fails here;
#   4. every fuzzer (clang, libFuzzer, both sanitizers) over its stored corpus, each input once.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs=$(nproc)

suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

suite build/test -DCMAKE_BUILD_TYPE=Release
suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DRENNIK_SANITIZE=ON
suite build/core-only -DCMAKE_BUILD_TYPE=Release -DRENNIK_GUI=OFF

fuzz/build.sh
for corpus in fuzz/corpus/*/; do
  target=$(basename "$corpus")
  if ! build/fuzz/fuzz/"${target}"_fuzz -runs=0 "$corpus" >build/fuzz/"$target".log 2>&1; then
    tail -40 build/fuzz/"$target".log
    echo "fuzz corpus of $target: FAILED" >&2
    exit 1
  fi
  echo "fuzz corpus of $target: $(ls "$corpus" | wc -l) inputs passed"
done
