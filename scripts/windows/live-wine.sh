#!/usr/bin/env bash
# The live view of dist/Rennik1-win64.zip under Wine, opened by a phone as the crew would:
#   1. rennik1.exe under Wine in a Japanese locale on a virtual display, 127.0.0.1 entered as the
#      car's address and the run started; "スマホ表示" opened, 127.0.0.1 chosen and the view
#      turned on;
#   2. the address is read from the QR code on the screen (zbarimg), as a phone's camera reads
#      it, and must be the window's own address on 127.0.0.1 with a 32-digit key;
#   3. the Linux Chromium opens it in a phone's window (tests/web/live_page.mjs), while the Linux
#      rennik1-carsim drives LAPS laps (5 unless told) as the car over 127.0.0.1: every lap must
#      show on the page with the time text of the car's reply, within one second of that reply;
#   4. the view is turned off: the page must say it has ended within a second.
# Prints the delay from each reply to the page (and its p50 and p99), and leaves the screenshots, the page's picture
# and the logs in build/windows-live.
#   scripts/windows/live-wine.sh [LAPS]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

laps=${1:-5}
[[ $laps =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [LAPS]" >&2; exit 2; }
port=18435

trial=live-wine
. scripts/windows/wine-desktop.sh
package_of_the_tree
scripts/ensure-packages.sh --no-install-recommends wine wine64 xvfb xdotool x11-utils unzip imagemagick locales \
  zbar-tools chromium
scripts/install-deps.sh
command -v npm >/dev/null || { echo "live-wine: needs npm (Node.js) for the browser's driver" >&2; exit 1; }
(cd tests/web && npm ci --prefer-offline --no-audit --no-fund --loglevel=error)
build_linux_carsim
ensure_japanese_locale

work=$root/build/windows-live
rm -rf "$work/run"
mkdir -p "$work/run/data"
unzip -q "$zip" -d "$work/run"
win_dir=$work/run/Rennik1
layout=$work/run/layout.txt

xvfb=""
program=""
page=""
cleanup() {
  [ -z "$page" ] || kill "$page" 2>/dev/null || true
  [ -z "$program" ] || kill "$program" 2>/dev/null || true
  [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
start_virtual_display 91
. scripts/windows/wine-prefix.sh
use_wine_prefix "$work/wine-prefix"

# The files of a first start, with two seconds of silence opening the next lap.
LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 QT_QPA_PLATFORM=windows wine "$win_dir/rennik1.exe" \
  --dir "$(windows_path "$work/run/data")" --screenshot "$(windows_path "$work/run/first.png")" \
  >"$work/run/first.log" 2>&1 || fail "rennik1.exe --screenshot failed: $(cat "$work/run/first.log")"
set_silence_seconds "$work/run/data" 2

# 1. The program, the car's address, the run started, the view turned on at 127.0.0.1.
LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wine "$win_dir/rennik1.exe" --dir "$(windows_path "$work/run/data")" \
  --layout "$(windows_path "$layout")" >"$work/run/program.log" 2>&1 &
program=$!
wait_window "走行状況" 60 >/dev/null || fail "the main screen did not open"
wait_control "$layout" "Btn_Start"
sleep 1
click_control "$layout" "Btn_ClientNoSet(0)"
wait_window "ＩＰ設定" 10 >/dev/null || fail "no address box"
xdotool type --delay 40 "127.0.0.1"
xdotool key Return
wait_control "$layout" "Btn_LapChg(0)"
# The run starts before the view's window opens over the main screen's middle.
click_control "$layout" "Btn_Start"
sleep 1
click_control "$layout" "Btn_Live"
wait_window "スマホ表示" 10 >/dev/null || fail "the live view's window did not open"
wait_control "$layout" "LiveToggle"
# Where it listens: the last choice is this PC's own 127.0.0.1; then the port.
click_control "$layout" "LiveAddress"
sleep 0.5
xdotool key End Return
click_control "$layout" "LivePort"
xdotool key ctrl+a
xdotool type --delay 40 "$port"
click_control "$layout" "LiveToggle"
sleep 2
import -window root "$work/run/view-on.png"

# 2. The address as a phone's camera reads it from the QR code on the screen.
address=$(zbarimg --quiet --raw "$work/run/view-on.png" 2>/dev/null | head -n 1) ||
  fail "no QR code on the screen ($work/run/view-on.png)"
[[ $address =~ ^http://127\.0\.0\.1:$port/[0-9a-f]{32}/$ ]] ||
  fail "the QR code says '$address', not the view's address on 127.0.0.1:$port"
echo "The QR code on the screen: http://127.0.0.1:$port/<32-digit key>/"

# 3. The page in Chromium while the car drives; every line of both is stamped as it comes.
stamp() { while IFS= read -r line; do echo "$((${EPOCHREALTIME/./} / 1000)) $line"; done; }
node tests/web/live_page.mjs "$address" $((laps * 4 + 60)) "$work/run/page.png" "$laps" 2>&1 |
  stamp >"$work/run/page.log" &
page=$!
for _ in $(seq 40); do grep -q " opened$" "$work/run/page.log" && break; sleep 0.5; done
grep -q " opened$" "$work/run/page.log" || fail "Chromium did not open the page: $(cat "$work/run/page.log")"
"$carsim" --laps "$laps" --lap 4 --contact 0.6 --interval 0.2 --message "OK" 2>&1 | stamp >"$work/run/carsim.log" ||
  fail "the car simulator failed"
sleep 1
import -window root "$work/run/view-run.png"

# Each lap: the first reply that carried its record (the first one, which the host timed from
# Start, is "held before this car's first lap"), and the moment the page showed that lap.
awk '
  FNR == NR && / N lap [0-9]+  last / {
    lap = $0; sub(/.* N lap /, "", lap); sub(/ .*/, "", lap); lap += 0
    time = $0; sub(/.*  last /, "", time); sub(/ .*/, "", time)
    if (!(lap in replied)) { replied[lap] = $1; text[lap] = time; n++ }
    next
  }
  FNR != NR && $2 == "seen" && !(($4 + 0) in shown) { shown[$4 + 0] = $3; showed[$4 + 0] = $5 }
  END {
    for (lap = 1; lap <= n; lap++) {
      if (!(lap in replied)) { printf "no reply carried lap %d\n", lap; bad = 1; continue }
      if (!(lap in shown)) { printf "lap %d (%s) never showed on the page\n", lap, text[lap]; bad = 1; continue }
      delay = shown[lap] - replied[lap]
      printf "lap %d: %s replied, %s on the page %d ms later\n", lap, text[lap], showed[lap], delay
      print delay > delays
      if (showed[lap] != text[lap] || delay > 1000) bad = 1
    }
    if (n <= laps) { printf "only %d laps replied\n", n; bad = 1 }
    exit bad
  }' laps="$laps" delays="$work/run/delays.txt" "$work/run/carsim.log" "$work/run/page.log" ||
  fail "a lap did not reach the page with its time within a second (logs in $work/run)"
sort -n "$work/run/delays.txt" | awk '{ d[NR] = $1 } END {
  printf "From the reply to the page, over %d laps: p50 %d ms, p99 %d ms, max %d ms\n",
    NR, d[int((NR + 1) / 2)], d[NR - int(NR / 100)], d[NR] }'

# 4. Turned off: the page says it has ended within a second.
off=$((${EPOCHREALTIME/./} / 1000))
click_control "$layout" "LiveToggle"
wait "$page" || fail "the page did not end: $(tail -n 3 "$work/run/page.log")"
page=""
ended=$(awk '$2 == "ended" { print $3 }' "$work/run/page.log")
[ -n "$ended" ] || fail "the page never said the view had ended"
echo "Turned off: the page said it had ended $((ended - off)) ms later"
[ $((ended - off)) -le 1000 ] || fail "the page took longer than a second to say the view had ended"
echo "The live view of the Windows program under Wine passed (pictures in $work/run)"
