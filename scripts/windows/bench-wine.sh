#!/usr/bin/env bash
# Builds rennik1-bench.exe against the Windows Qt of build-qt.sh and runs it under Wine, beside
# the Qt DLLs and the offscreen platform plugin, in a network namespace of its own (the bench
# binds fixed ports of 127.0.0.1) with a Wine prefix and a virtual display of its own:
#   scripts/windows/bench-wine.sh [--windows-priority] [BENCH OPTIONS...]
#   scripts/windows/bench-wine.sh --laps 80 --reports 2000 --idle 10
# Wine 8 keeps a thread's Windows priority to itself: the receive threads run as every other
# thread of the machine. With --windows-priority the script gives them, from outside, the strict
# precedence a time-critical thread has over normal ones on Windows (SCHED_FIFO, found by their
# name "rennik1 receive"), and the same to Wine's server, which plays the part of the Windows
# kernel in every read; needs root.
# Builds in build/win-timing, or in RENNIK_BENCH_BUILD from the tree RENNIK_BENCH_SOURCE.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

priority=""
if [ "${1:-}" = --windows-priority ]; then
  priority=yes
  shift
fi
source_dir=$(realpath "${RENNIK_BENCH_SOURCE:-$root}")
qt=${RENNIK_WIN_QT:-$HOME/.cache/rennik1/qt-6.4.2-win64}
sqlite=${RENNIK_WIN_SQLITE:-$HOME/.cache/rennik1/sqlite-3.40.1-win64}
[ -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ] || { echo "No Windows Qt in $qt: run scripts/windows/build-qt.sh first." >&2; exit 1; }
[ -f "$sqlite/lib/libsqlite3.a" ] || { echo "No Windows SQLite in $sqlite: run scripts/windows/build-sqlite.sh first." >&2; exit 1; }

dir=$(realpath -m "${RENNIK_BENCH_BUILD:-$root/build/win-timing}")
cmake -S "$source_dir" -B "$dir" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DRENNIK_MINGW_SHARED_RUNTIME=ON -DRENNIK_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
  -DSQLite3_INCLUDE_DIR="$sqlite/include" -DSQLite3_LIBRARY="$sqlite/lib/libsqlite3.a" >/dev/null
cmake --build "$dir" -j2 --target rennik1-bench >/dev/null

stage=$dir/stage/Rennik1
mkdir -p "$stage/platforms"
cp "$dir/bench/rennik1-bench.exe" "$stage/"
for module in Core Gui Widgets Network; do
  cp "$qt/bin/Qt6$module.dll" "$stage/"
done
cp "$qt/plugins/platforms/qoffscreen.dll" "$stage/platforms/"
runtime=/usr/lib/gcc/x86_64-w64-mingw32/12-posix
cp "$runtime/libstdc++-6.dll" "$runtime/libgcc_s_seh-1.dll" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$stage/"

netns=rennik-bench-wine
ip netns add "$netns" 2>/dev/null || true
ip netns exec "$netns" ip link set lo up
in_netns() { ip netns exec "$netns" "$@"; }

# Qt's event loop on Windows needs a window of its own, which Wine makes only with a display.
xvfb=""
bench=""
display=87
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1366x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=":$display"

# The prefix's Wine server is started inside the namespace first: it makes the sockets.
export WINEPREFIX=$root/build/win-timing/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fresh=$([ -d "$WINEPREFIX" ] || echo yes)
mkdir -p "$WINEPREFIX"
# A server of this prefix left from an earlier run, perhaps outside the namespace, is ended first.
in_netns wineserver -k 2>/dev/null || true
in_netns wineserver -w
in_netns wineserver -p 60
cleanup() {
  [ -z "$bench" ] || kill "$bench" 2>/dev/null || true
  in_netns wineserver -k 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
[ -z "$fresh" ] || in_netns wine wineboot --init 2>/dev/null

echo "$(date -u '+%F %T') UTC, load average $(cut -d' ' -f1-3 /proc/loadavg)${priority:+; receive threads and the Wine server SCHED_FIFO}" >&2
(cd "$stage" && QT_QPA_PLATFORM=offscreen in_netns wine ./rennik1-bench.exe "$@") &
bench=$!
if [ -n "$priority" ]; then
  # The sockets, and their receive threads, come and go with the runs: new ones are raised as
  # they appear.
  while kill -0 "$bench" 2>/dev/null; do
    for p in $(ip netns pids "$netns"); do
      for t in /proc/"$p"/task/*; do
        name=$(cat "$t/comm" 2>/dev/null) || continue
        [[ $name == "rennik1 receive" || $name == wineserver* ]] || continue
        # Field 41 of the thread's stat is its scheduling policy; 1 is SCHED_FIFO.
        [ "$(cut -d')' -f2 "$t/stat" 2>/dev/null | awk '{print $39}')" = 1 ] ||
          chrt -f -p 10 "${t##*/}" 2>/dev/null || true
      done
    done
    sleep 0.5
  done
fi
wait "$bench"
bench=""
