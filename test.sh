#!/usr/bin/env bash
# Installs what is missing, builds and runs every test with CTest; exits non-zero on any failure.
#   1. the whole suite, Release build;
#   2. the whole suite again under the address and undefined-behaviour sanitizers;
#   3. the core alone, built without Qt: a Qt header that strays into the core fails here;
#   4. every fuzzer (clang, libFuzzer, both sanitizers) over its stored corpus, each input once.
# The three configurations compile their sources as a few large units (CMake's unity build): the
# headers of Qt, GoogleTest and the core, which take most of the compile time, are read once per
# unit rather than once per source file. The developer's own builds compile file by file, so a
# source that leans on another's includes still fails there. The time of each step is printed at
# the end.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)
declare -a times

timed() {
  local name=$1
  shift
  local from=$SECONDS
  "$@"
  times+=("$(printf '%-34s %4d:%02d' "$name" $(((SECONDS - from) / 60)) $(((SECONDS - from) % 60)))")
}

suite() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_UNITY_BUILD=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs"
}

corpora() {
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
}

timed "installs" scripts/install-deps.sh
timed "Release" suite build/test -DCMAKE_BUILD_TYPE=Release
timed "address and undefined sanitizers" suite build/sanitize -DCMAKE_BUILD_TYPE=Debug -DRENNIK_SANITIZE=ON
timed "core alone, without Qt" suite build/core-only -DCMAKE_BUILD_TYPE=Release -DRENNIK_GUI=OFF
timed "fuzz corpora" corpora

echo
printf '%s\n' "${times[@]}"
printf '%-34s %4d:%02d\n' "all" $((SECONDS / 60)) $((SECONDS % 60))
