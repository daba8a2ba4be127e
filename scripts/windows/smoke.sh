#!/usr/bin/env bash
# Tries dist/Rennik1-win64.zip as a pit crew would, under Wine in a Japanese locale on a
# 1366x768 virtual display with a taskbar's height kept free, the screen of a pit laptop:
#   1. rennik1.exe must be a windowed program (no console to close under a run) and the car
#      simulator a console one;
#   2. unpacks the zip into a fresh folder named in Japanese, as a crew's folder often is, and has
#      rennik1.exe draw its main screen (the README's docs/screenshot-windows.png is this
#      picture); the files of its first start must be byte for byte those of the Linux program's
#      first start;
#   3. a real run: rennik1.exe under Wine, the Linux rennik1-carsim as the car over 127.0.0.1,
#      5 laps, driven through the window as a crew drives it (address, Start, Stop, save, the
#      laps saved as CSV). The
#      controls are found by their names in the program's --layout file, and every button shown
#      must lie whole on the screen. The session's end is refused during the run; every lap must
#      be recorded within 20 ms of the simulator's own measure; after the save nothing of Qt's
#      may be in the registry;
#   4. the same run with the Linux program: the two result files, and the two CSV files, must be
#      Shift-JIS with CR LF and the same, byte for byte, but for the lap times of that run.
# Exits non-zero at the first thing that does not hold. Works in build/windows-smoke, and leaves
# its screenshots there.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

zip=dist/Rennik1-win64.zip
[ -f "$zip" ] || { echo "No $zip: run scripts/windows/package.sh first." >&2; exit 1; }
scripts/ensure-packages.sh --no-install-recommends wine wine64 xvfb xdotool x11-utils unzip imagemagick locales \
  binutils-mingw-w64-x86-64
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DRENNIK_TESTS=OFF >/dev/null
cmake --build build/release -j"$(nproc)" --target rennik1 rennik1-carsim >/dev/null
carsim=$root/build/release/tools/rennik1-carsim

trial=smoke
. scripts/windows/wine-desktop.sh
ensure_japanese_locale

work=$root/build/windows-smoke
rm -rf "$work/run"
mkdir -p "$work/run/linux" "$work/run/ピット"
unzip -q "$zip" -d "$work/run/ピット"
win_dir=$work/run/ピット/Rennik1
linux_dir=$work/run/linux

# 1. The program's kind, from the PE header: 2 is a windowed program, 3 a console one.
subsystem() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^Subsystem\s*0*\([0-9a-fA-F]*\).*/\1/p'; }
[ "$(subsystem "$win_dir/rennik1.exe")" = 2 ] ||
  fail "rennik1.exe is not a windowed program (subsystem $(subsystem "$win_dir/rennik1.exe"))"
[ "$(subsystem "$win_dir/rennik1-carsim.exe")" = 3 ] ||
  fail "rennik1-carsim.exe is not a console program (subsystem $(subsystem "$win_dir/rennik1-carsim.exe"))"
echo "rennik1.exe is a windowed program (subsystem 2), rennik1-carsim.exe a console one (3)"

# A virtual display of its own: the first free number from 71.
xvfb=""
program=""
cleanup() {
  [ -z "$program" ] || kill "$program" 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
  [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
start_virtual_display 71

# The prefix is set up with the display there, so that Wine takes the display's size.
. scripts/windows/wine-prefix.sh
use_wine_prefix "$work/wine-prefix"

win() { LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wine "$win_dir/rennik1.exe" "$@"; }
linux() { "$root/build/release/src/rennik1" --dir "$linux_dir" "$@"; }

# 2. The picture, and the files of a first start.
QT_QPA_PLATFORM=windows win --screenshot "$(windows_path "$work/run/screenshot.png")" 2>"$work/run/screenshot.log" ||
  fail "rennik1.exe --screenshot failed: $(cat "$work/run/screenshot.log")"
[ -s "$work/run/screenshot.png" ] || fail "rennik1.exe drew no picture"
echo "The main screen under Wine: $work/run/screenshot.png"
QT_QPA_PLATFORM=offscreen linux --screenshot "$linux_dir/screenshot.png" >/dev/null 2>&1
for f in Rennik.ini Car.ini Course.ini Drivers.ini; do
  cmp -s "$win_dir/$f" "$linux_dir/$f" || fail "$f of the first start differs from the Linux program's"
done
echo "First start: Rennik.ini and the three master files are the Linux program's, byte for byte"

# Two seconds of silence open the next lap, so that a lap of the run takes five seconds.
for dir in "$win_dir" "$linux_dir"; do
  set_silence_seconds "$dir" 2
done

# Every button shown lies whole on the screen's available area; $2 says when.
check_buttons() {
  awk -F'\t' -v when="$2" '
    $1 == "screen" { sx = $2; sy = $3; sw = $4; sh = $5 }
    $1 == "window" { window = sprintf("%s,%s %sx%s", $2, $3, $4, $5) }
    $1 == "widget" && $4 == 1 && $3 ~ /^Q(Push|Tool|Radio)Button$|^QCheckBox$/ {
      n++
      off = $5 < sx || $6 < sy || $5 + $7 > sx + sw || $6 + $8 > sy + sh
      cut = $9 != $5 || $10 != $6 || $11 != $7 || $12 != $8
      if (off) bad = bad sprintf("\n  %s at %s,%s %sx%s lies off the screen", $2, $5, $6, $7, $8)
      else if (cut) bad = bad sprintf("\n  %s at %s,%s %sx%s shows only %s,%s %sx%s", $2, $5, $6, $7, $8, $9, $10, $11, $12)
    }
    END {
      printf "%s: screen %s,%s %sx%s available, window %s, %d buttons shown", when, sx, sy, sw, sh, window, n
      if (n == 0) { print "; none found"; exit 1 }
      if (bad != "") { print bad; exit 1 }
      print ", all whole on the screen"
    }' "$1"
}

# 3. and 4. One run driven through the window: $1 names it, $2 is the result file as the
# program names it, $3 its layout file as the program names it, the rest starts the program.
drive_run() {
  local name=$1 result=$2 layout_arg=$3 layout=$work/run/$1-layout.txt
  shift 3
  rm -f "$layout"
  "$@" --layout "$layout_arg" >"$work/run/$name-program.log" 2>&1 &
  program=$!
  wait_window "走行状況" 60 >/dev/null || fail "$name: the main screen did not open"
  sleep 1
  wait_control "$layout" "Btn_Start"
  import -window root "$work/run/$name-main.png"
  check_buttons "$layout" "$name, idle" || fail "$name: a button is not whole on the screen"
  click_control "$layout" "Btn_ClientNoSet(0)"
  wait_window "ＩＰ設定" 10 >/dev/null || fail "$name: no address box"
  xdotool type --delay 40 "127.0.0.1"
  xdotool key Return
  wait_control "$layout" "Btn_LapChg(0)"
  sleep 1
  check_buttons "$layout" "$name, car panel open" || fail "$name: a button is not whole on the screen"
  click_control "$layout" "Btn_Start"
  sleep 1
  "$carsim" --laps 5 --lap 5 --contact 1 --message "OK" >"$work/run/$name-carsim.log" 2>&1 ||
    fail "$name: the car simulator failed"
  if [ "$name" = windows ]; then
    # A log-off before the run is stopped: Windows asks the program, which says no. (The car is
    # away by now, so the pause adds no lap of its own to the result.)
    if wine wineboot --end-session >/dev/null 2>&1; then
      fail "$name: the session's end was not refused during the run"
    fi
    sleep 1
    kill -0 "$program" 2>/dev/null || fail "$name: the session's end ended the program during the run"
    echo "$name: the session's end was refused during the run"
  fi
  click_control "$layout" "Btn_Start"
  wait_window "Stop確認" 10 >/dev/null || fail "$name: no question at Stop"
  sleep 0.5
  import -window root "$work/run/$name-stop.png"
  xdotool key alt+y
  sleep 1
  click_control "$layout" "Btn_Write"
  wait_window "ファイル書込" 20 >/dev/null || fail "$name: no save dialog"
  sleep 1
  import -window root "$work/run/$name-save.png"
  # The dialog (Windows' own under Wine, Qt's on Linux) opens with a name of its own: replaced,
  # and saved by Return in the name box.
  xdotool key ctrl+a
  xdotool type --delay 40 "$result"
  xdotool key Return
  for _ in $(seq 40); do [ -s "$work/run/$name-result.txt" ] && break; sleep 0.25; done
  [ -s "$work/run/$name-result.txt" ] || fail "$name: no result file written"
  if [ "$name" = windows ]; then
    registry=$(wine reg query 'HKCU\Software\QtProject' /s 2>&1) &&
      fail "$name: Qt wrote into the registry after the save:"$'\n'"$registry"
    echo "$name: after the save, wine reg query HKCU\\Software\\QtProject /s: $(tr -d '\r' <<<"$registry")"
  fi
  # The laps as CSV through the menu of "CSV保存": its first table, the dialog's first file type
  # (Shift-JIS), under the result's name with ".csv".
  click_control "$layout" "Btn_Csv(0)"
  sleep 1
  xdotool key Down Return
  wait_window "CSV保存" 20 >/dev/null || fail "$name: no save dialog for the CSV"
  sleep 1
  xdotool key ctrl+a
  xdotool type --delay 40 "${result%.txt}.csv"
  xdotool key Return
  for _ in $(seq 40); do [ -s "$work/run/$name-result.csv" ] && break; sleep 0.25; done
  [ -s "$work/run/$name-result.csv" ] || fail "$name: no CSV written"
  click_control "$layout" "Btn_End"
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

# The registry as a fresh pit PC has it: nothing of Qt's.
wine reg delete 'HKCU\Software\QtProject' /f >/dev/null 2>&1 || true
drive_run windows "$(windows_path "$work/run/windows-result.txt")" "$(windows_path "$work/run/windows-layout.txt")" win
check_laps windows
drive_run linux "$work/run/linux-result.txt" "$work/run/linux-layout.txt" linux
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

# The CSV of the laps: Shift-JIS with CR LF, its header, and the same from both programs but for
# the lap times (quoted, their quotes doubled) and their milliseconds, and for a row without a
# time that a silence opened before Stop (the Windows run pauses for the session's end).
for name in windows linux; do
  file=$work/run/$name-result.csv
  iconv -f CP932 -t UTF-8 "$file" >"$file.utf8" || fail "$name: the CSV is not Shift-JIS"
  [ "$(head -n 1 "$file.utf8")" = $'周回,タイム,タイム(ms),ドライバ,備考,メッセージ\r' ] ||
    fail "$name: the CSV's header is not the laps'"
  [ "$(tr -cd '\n' <"$file" | wc -c)" -eq "$(grep -c $'\r$' "$file")" ] || fail "$name: a CSV line does not end in CR LF"
  sed -E -e '/^[0-9]+,,,,,\r$/d' -e 's/"[0-9]+'"'"'[0-9]{2}""[0-9]{2,3}",[0-9]+/<time>/' "$file.utf8" >"$file.masked"
done
cmp -s "$work/run/windows-result.csv.masked" "$work/run/linux-result.csv.masked" ||
  fail "the CSV files differ beyond the lap times"
echo "CSV of the laps: Shift-JIS with CR LF; $(grep -c '<time>' "$work/run/windows-result.csv.masked") timed laps;" \
  "the same as the Linux program's but for the lap times"
echo "Smoke test under Wine passed"
