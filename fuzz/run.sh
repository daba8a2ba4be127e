#!/usr/bin/env bash
# A fuzzing campaign on every input path of the program: each target runs SECONDS seconds
# (default 60) with as many jobs as the machine has cores, at most 2 (JOBS=1 for one), starting
# from its stored corpus; the executions of each are printed at the end. What a campaign finds
# (a crash, a broken rule) is kept under build/fuzz/campaign/<target>/ as crash-* files. An
# input counts as a hang only after 120 s: a job at low priority on a busy machine has taken
# 20 s over an input of half a second.
#   fuzz/run.sh [SECONDS] [TARGET...]
# To take new inputs into the stored corpus, minimised:
#   build/fuzz/fuzz/<target>_fuzz -merge=1 fuzz/corpus/<target> build/fuzz/campaign/<target>/corpus
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(car_link address_query files typed_text)

fuzz/build.sh
jobs=${JOBS:-$(nproc)}
[ "$jobs" -gt 2 ] && jobs=2

# The longest input each target needs: 64 steps of the car link, the four text files and a
# small run store, a typed text (the target makes its own 100 KB pastes), a datagram.
max_len() {
  case $1 in
    car_link) echo 2048 ;;
    files) echo 32768 ;;
    typed_text) echo 1024 ;;
    *) echo 256 ;;
  esac
}

# The car link's and the files' inputs are worth their length from the start: a run of many
# steps, a whole file.
len_control() {
  case $1 in
    car_link | files) echo 0 ;;
    *) echo 100 ;;
  esac
}

# Slow inputs of the car link and the files (a lap table of thousands of rows, a large run store)
# are taken up less often than quick ones: more inputs in the same time.
schedule() {
  case $1 in
    car_link | files) echo 1 ;;
    *) echo 0 ;;
  esac
}

# An allocation's stack is not kept, and freed memory waits in a smaller quarantine: a tenth to a
# sixth more executions. A finding is reproduced from its kept input with the full reports.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0:quarantine_size_mb=16}

# The data folders of jobs that ended without cleaning up (a crash, a timeout, a kill).
for dir in /dev/shm/rennik_fuzz_*; do
  if [ -d "$dir" ] && ! kill -0 "${dir##*_}" 2>/dev/null; then
    rm -rf "$dir"
  fi
done

declare -A executions
for t in "${targets[@]}"; do
  work=build/fuzz/campaign/$t
  mkdir -p "$work/corpus"
  rm -f "$work"/fuzz-*.log
  echo "== $t: $seconds s, $jobs jobs"
  (cd "$work" && "../../fuzz/${t}_fuzz" corpus "../../../../fuzz/corpus/$t" -max_len="$(max_len "$t")" -len_control="$(len_control "$t")" \
    -entropic_scale_per_exec_time="$(schedule "$t")" \
    -max_total_time="$seconds" -jobs="$jobs" -workers="$jobs" -timeout=120 -artifact_prefix=./ \
    -print_final_stats=1 >/dev/null 2>&1) || true
  runs=0
  for log in "$work"/fuzz-*.log; do
    n=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1 || true)
    runs=$((runs + ${n:-0}))
    grep -h -A3 -E '^\*\*\* broken|ERROR: (Address|Undefined|libFuzzer)|runtime error' "$log" || true
  done
  executions[$t]=$runs
  ls "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-* 2>/dev/null || true
done

echo "== executions"
for t in "${targets[@]}"; do
  printf '%-14s %12s\n' "$t" "${executions[$t]}"
done
