#!/usr/bin/env bash
# Installs what is missing, builds and runs every test with CTest; exits non-zero on any failure.
#   1. the whole suite, Release build;
#   2. the whole suite again under the address and undefined-behaviour sanitizers;
#   3. the core alone, built without Qt: a Qt header that strays into the core fails here;
#   4. every fuzzer (clang, libFuzzer, both sanitizers) over its stored corpus, each input once.
# The configurations compile their sources as a few large units (CMake's unity build): the
# headers of Qt, GoogleTest and the core, which take most of the compile time, are read once per
# unit rather than once per source file. The developer's own builds compile file by file, so a
# source that leans on another's includes still fails there.
# Every compile goes through ccache: the core alone compiles what the Release build compiled
# already, with the same flags, and a later run (another clone too: paths are taken relative to
# the clone) compiles only what changed.
# The end-to-end tests spend their time waiting for the laps they drive, one at a time (they
# share the ports of 127.0.0.1), so each suite's tests run while the next configuration builds;
# no two suites' tests run at once. The time of each step is printed at the end.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)
export CCACHE_BASEDIR=$PWD
declare -a times
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT

elapsed() { printf '%-40s %2d:%02d' "$1" $(($2 / 60)) $(($2 % 60)); }

build() {
  local dir=$1
  shift
  local from=$SECONDS
  cmake -S . -B "$dir" -DCMAKE_UNITY_BUILD=ON -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  times+=("$(elapsed "$dir: build" $((SECONDS - from)))")
}

# Runs a build's tests in the background; `finish` waits for them and says how they went.
tests_pid=
tests_dir=
start_tests() {
  tests_dir=$1
  (
    from=$SECONDS
    ctest --test-dir "$tests_dir" --output-on-failure -j"$jobs" >"$tests_dir/ctest.log" 2>&1
    echo $((SECONDS - from)) >"$tests_dir/ctest.seconds"
  ) &
  tests_pid=$!
}
finish_tests() {
  if ! wait "$tests_pid"; then
    cat "$tests_dir/ctest.log"
    echo "tests of $tests_dir: FAILED" >&2
    exit 1
  fi
  grep -E 'tests passed|Total Test time' "$tests_dir/ctest.log"
  times+=("$(elapsed "$tests_dir: tests" "$(cat "$tests_dir/ctest.seconds")")")
}

corpora() {
  local from=$SECONDS
  fuzz/build.sh
  for corpus in fuzz/corpus/*/; do
    target=$(basename "$corpus")
    # Every stored input of the car link with the run store's round trip (a campaign takes it on
    # one input in sixteen).
    if ! RENNIK_FUZZ_STORE=1 build/fuzz/fuzz/"${target}"_fuzz -runs=0 "$corpus" >build/fuzz/"$target".log 2>&1; then
      tail -40 build/fuzz/"$target".log
      echo "fuzz corpus of $target: FAILED" >&2
      exit 1
    fi
    echo "fuzz corpus of $target: $(ls "$corpus" | wc -l) inputs passed"
  done
  times+=("$(elapsed "fuzzers: build and corpora" $((SECONDS - from)))")
}

from=$SECONDS
scripts/install-deps.sh
# The live page's browser test drives Chromium with playwright-core, pinned in tests/web; without
# npm (Debian's nodejs has none of its own) that test says it is skipped and why.
# npm's own cache serves a machine that has fetched it once, whatever its network.
if ! command -v npm >/dev/null; then
  echo "No npm: the live page's browser test will be skipped."
elif ! (cd tests/web && npm ci --prefer-offline --no-audit --no-fund --loglevel=error); then
  echo "npm could not install playwright-core: the live page's browser test will be skipped."
fi
times+=("$(elapsed "installs" $((SECONDS - from)))")

build build/test -DCMAKE_BUILD_TYPE=Release
start_tests build/test
build build/sanitize -DCMAKE_BUILD_TYPE=Debug -DRENNIK_SANITIZE=ON
finish_tests
start_tests build/sanitize
build build/core-only -DCMAKE_BUILD_TYPE=Release -DRENNIK_GUI=OFF
corpora
finish_tests
start_tests build/core-only
finish_tests

echo
printf '%s\n' "${times[@]}"
elapsed "all" $SECONDS
echo
