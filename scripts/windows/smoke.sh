#!/usr/bin/env bash
# Tries dist/Rennik1-win64.zip as a pit crew would, under Wine on a virtual display:
#   1. unpacks it into a fresh folder named in Japanese, as a crew's folder often is, and has rennik1.exe draw its main screen (the README's
#      docs/screenshot-windows.png is this picture); the files of its first start must be byte for byte those of
#      the Linux program's first start;
#   2. a real run: rennik1.exe under Wine, the Linux rennik1-carsim as the car over 127.0.0.1,
#      5 laps, driven through the window as a crew drives it (address, Start, Stop, save); every
#      lap must be recorded within 20 ms of the simulator's own measure;
#   3. the same run with the Linux program: the two result files must be Shift-JIS with CR LF
#      and the same, byte for byte, but for the lap times of that run.
# Exits non-zero at the first thing that does not hold. Works in build/windows-smoke.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

zip=dist/Rennik1-win64.zip
[ -f "$zip" ] || { echo "No $zip: run scripts/windows/package.sh first." >&2; exit 1; }
scripts/ensure-packages.sh --no-install-recommends wine wine64 xvfb xdotool unzip
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DRENNIK_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target rennik1 rennik1-carsim >/dev/null
carsim=$root/build/release/tools/rennik1-carsim

work=$root/build/windows-smoke
rm -rf "$work/run"
mkdir -p "$work/run/linux" "$work/run/ピット"
unzip -q "$zip" -d "$work/run/ピット"
win_dir=$work/run/ピット/Rennik1
linux_dir=$work/run/linux

fail() {
  echo "smoke: $*" >&2
  exit 1
}

# A virtual display of its own: the first free number from 71.
display=71
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
program=""
cleanup() {
  [ -z "$program" ] || kill "$program" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
export DISPLAY=":$display"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

# The prefix is set up with the display there, so that Wine takes the display's size.
. scripts/windows/wine-prefix.sh
use_wine_prefix "$work/wine-prefix"

# The window titled exactly $1, once it shows, within $2 seconds.
wait_window() {
  local id
  for _ in $(seq $(($2 * 4))); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1) || true
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.25
  done
  return 1
}

win() { wine "$win_dir/rennik1.exe" "$@"; }
linux() { "$root/build/release/src/rennik1" --dir "$linux_dir" "$@"; }

# 1. The picture, and the files of a first start.
QT_QPA_PLATFORM=windows win --screenshot "$(winepath -w "$work/run/screenshot.png")" 2>/dev/null ||
  fail "rennik1.exe --screenshot failed"
[ -s "$work/run/screenshot.png" ] || fail "rennik1.exe drew no picture"
echo "The main screen under Wine: $work/run/screenshot.png"
QT_QPA_PLATFORM=offscreen linux --screenshot "$linux_dir/screenshot.png" >/dev/null 2>&1
for f in Rennik.ini Car.ini Course.ini Drivers.ini; do
  cmp -s "$win_dir/$f" "$linux_dir/$f" || fail "$f of the first start differs from the Linux program's"
done
echo "First start: Rennik.ini and the three master files are the Linux program's, byte for byte"

# Two seconds of silence open the next lap, so that a lap of the run takes five seconds.
for dir in "$win_dir" "$linux_dir"; do
  iconv -f CP932 -t UTF-8 "$dir/Rennik.ini" | sed 's/^ラップ加算無通信秒数=.*/ラップ加算無通信秒数=2\r/' |
    iconv -f UTF-8 -t CP932 > "$dir/Rennik.ini.new"
  mv "$dir/Rennik.ini.new" "$dir/Rennik.ini"
done

# Places of the controls in the main window, in pixels from its top left corner.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
main_setup=(60 47)
main_start=(894 597)
main_save=(1020 597)
main_end=(957 688)

# The save dialog's own button: Qt's dialog on Linux takes Return in the name box; the one of
# Windows (Wine's here) is pressed at its "Save" button, in its lower right corner.
confirm_save() {
  local dialog=$1
  if [ "$2" = linux ]; then
    xdotool key Return
    return
  fi
  eval "$(xdotool getwindowgeometry --shell "$dialog")"
  click "$dialog" $((WIDTH - 112)) $((HEIGHT - 16))
}

# 2. and 3. One run driven through the window: $1 names it, $2 is the result file as the
# program names it, the rest starts the program.
drive_run() {
  local name=$1 result=$2 main dialog
  shift 2
  "$@" >"$work/run/$name-program.log" 2>&1 &
  program=$!
  main=$(wait_window "走行状況" 60) || fail "$name: the main screen did not open"
  sleep 1
  click "$main" "${main_setup[@]}"
  wait_window "ＩＰ設定" 10 >/dev/null || fail "$name: no address box"
  xdotool type --delay 40 "127.0.0.1"
  xdotool key Return
  sleep 1
  click "$main" "${main_start[@]}"
  sleep 1
  "$carsim" --laps 5 --lap 5 --contact 1 --message "OK" >"$work/run/$name-carsim.log" 2>&1 ||
    fail "$name: the car simulator failed"
  click "$main" "${main_start[@]}"
  wait_window "Stop確認" 10 >/dev/null || fail "$name: no question at Stop"
  xdotool key alt+y
  sleep 1
  click "$main" "${main_save[@]}"
  dialog=$(wait_window "ファイル書込" 20) || fail "$name: no save dialog"
  sleep 1
  xdotool type --delay 40 "$result"
  confirm_save "$dialog" "$name"
  for _ in $(seq 40); do [ -s "$work/run/$name-result.txt" ] && break; sleep 0.25; done
  [ -s "$work/run/$name-result.txt" ] || fail "$name: no result file written"
  click "$main" "${main_end[@]}"
  wait_window "終了確認" 10 >/dev/null || fail "$name: no question at End"
  xdotool key alt+y
  wait "$program" || true
  program=""
}

# Every lap of the simulator recorded by the host, within 20 ms of its own measure.
check_laps() {
  local log=$work/run/$1-carsim.log
  local laps errors
  laps=$(grep -c "^lap [0-9]*: own" "$log") || true
  [ "$laps" -eq 5 ] || fail "$1: the simulator measured $laps laps, not 5"
  ! grep -q "no lap record from the host" "$log" || fail "$1: a lap has no record from the host"
  errors=$(sed -n 's/.*host - own \([-+][0-9.]*\) ms.*/\1/p' "$log")
  [ -n "$errors" ] || fail "$1: no lap to compare"
  awk -v name="$1" '{ e = $1 < 0 ? -$1 : $1; if (e > 20) bad = 1; list = list " " $1 }
    END { print name ": host - own (ms):" list; exit bad }' <<<"$errors" ||
    fail "$1: a lap is more than 20 ms from the simulator's measure"
  grep "|host - own|" "$log" | sed "s/^ */$1:/"
}

drive_run windows "$(winepath -w "$work/run/windows-result.txt")" win
check_laps windows
drive_run linux "$work/run/linux-result.txt" linux
check_laps linux

# The result files: Shift-JIS, every line ended by CR LF, the same but for the times.
for name in windows linux; do
  file=$work/run/$name-result.txt
  iconv -f CP932 -t UTF-8 "$file" >/dev/null || fail "$name: the result file is not Shift-JIS"
  [ "$(tr -cd '\n' <"$file" | wc -c)" -eq "$(grep -c $'\r$' "$file")" ] &&
    [ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' ')" = "0d0a" ] ||
    fail "$name: a line of the result file does not end in CR LF"
  # The times of the laps and the drivers' best and average, and the clock of the report.
  sed -E "s/[0-9]+'[0-9]{2}\"[0-9]{2,3}/<time>/g" "$file" >"$file.masked"
done
cmp -s "$work/run/windows-result.txt.masked" "$work/run/linux-result.txt.masked" ||
  fail "the result files differ beyond the lap times"
echo "Result files: Shift-JIS with CR LF; $(grep -c "^[0-9]*," "$work/run/windows-result.txt") lap lines;" \
  "the same as the Linux program's but for the lap times"
echo "Smoke test under Wine passed"
