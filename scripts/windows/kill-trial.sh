#!/usr/bin/env bash
# Kills rennik1.exe of dist/Rennik1-win64.zip in the middle of a run under Wine, as a crash or a
# pulled plug ends it on the pit PC, and starts it again as the crew would:
#   scripts/windows/kill-trial.sh [TRIALS]      (10 trials unless told)
# Each trial starts rennik1.exe in a fresh folder named in Japanese, enters 127.0.0.1 as the
# car's address and presses Start; the Linux rennik1-carsim is the car over 127.0.0.1, two laps
# of LAP seconds. At a random moment in the silence after the car's first lap the program is
# killed (SIGKILL; Wine's server stays up), started again in the same folder, and the question
# "計測再開" is answered with Enter. The car drives its second lap; when it is done the run is
# stopped through the window. Then:
#   (a) every lap the car was answered for (lap number and last lap time of each reply) must be
#       in the result file the Stop wrote into results/, with the same time;
#   (b) the first lap closed after the resume is timed from before the kill, on the monotonic
#       clock: it must be within 20 ms of the simulator's own measure.
# Prints a line per trial and the summary, whose "N of T trials" counts the trials that ran to
# the end; exits non-zero when a lap is lost or a trial fails a check.
# Works in build/windows-kill-trial, and leaves the logs and the picture of the question there.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

trials=${1:-10}
[[ $trials =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [TRIALS]" >&2; exit 2; }

# The car: laps of LAP seconds, in contact for the first half second of each (three reports).
# The program must be killed and back within one lap's silence: under Wine a start takes some
# three seconds, then the start-up screen its three and the question its answer, so the kill
# falls in the first KILL_SPAN seconds of the silence: before and after the next lap's row opens
# (SILENCE seconds without a report, set in Rennik.ini).
car_laps=2
lap=12
contact=0.5
interval=0.2
kill_span=3
silence=2

trial=kill-trial
. scripts/windows/wine-desktop.sh
package_of_the_tree
scripts/ensure-packages.sh --no-install-recommends wine wine64 xvfb xdotool x11-utils unzip imagemagick locales \
  iproute2
scripts/install-deps.sh
build_linux_carsim
ensure_japanese_locale

work=$root/build/windows-kill-trial
rm -rf "$work/run"
mkdir -p "$work/run/first"
unzip -q "$zip" -d "$work/run"
win_dir=$work/run/Rennik1

xvfb=""
program=""
car=""
cleanup() {
  [ -z "$car" ] || kill "$car" 2>/dev/null || true
  [ -z "$program" ] || kill -KILL "$program" 2>/dev/null || true
  [ -z "${WINEPREFIX:-}" ] || wineserver -k 2>/dev/null || true
  [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
start_virtual_display 81
. scripts/windows/wine-prefix.sh
use_wine_prefix "$work/wine-prefix"

now() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }

# The files of a first start, with the short silence, for every trial's folder.
LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 QT_QPA_PLATFORM=windows wine "$win_dir/rennik1.exe" \
  --dir "$(windows_path "$work/run/first")" --screenshot "$(windows_path "$work/run/first/main.png")" \
  >"$work/run/first/program.log" 2>&1 || fail "rennik1.exe --screenshot failed: $(cat "$work/run/first/program.log")"
set_silence_seconds "$work/run/first" "$silence"

# Other trials on this machine use the car link's ports for a while: wait until they are free.
wait_car_ports() {
  local waited=0
  while [ -n "$(ss -Huan '( sport = :7011 or sport = :7012 )')" ]; do
    [ "$waited" -gt 0 ] || echo "  (UDP port 7011 or 7012 is taken by another program; waiting)"
    waited=$((waited + 1))
    [ "$waited" -lt 600 ] || fail "UDP ports 7011/7012 stayed taken for 10 minutes"
    sleep 1
  done
}

# Starts rennik1.exe on folder $1 with layout file $2; `program` is its process.
start_program() {
  rm -f "$2"
  LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wine "$win_dir/rennik1.exe" --dir "$(windows_path "$1")" \
    --layout "$(windows_path "$2")" >>"$1.program.log" 2>&1 &
  program=$!
}

# The window titled exactly $1, if it is shown now.
shown_window() {
  local ids
  ids=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null) || return 1
  [ -n "$ids" ] && echo "${ids%%$'\n'*}"
}
# The same for a box: a window with a title bar. (The start-up screen, which has none, is called
# "Rennik1" too.)
shown_box() {
  local id
  for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
    [[ $(xprop -id "$id" _MOTIF_WM_HINTS 2>/dev/null) =~ =\ 0x[0-9a-f]+,\ 0x[0-9a-f]+,\ 0x0*[1-9a-f] ]] &&
      { echo "$id"; return 0; }
  done
  return 1
}

# Presses Enter in the box $1 (its window), given the keyboard first: without a window manager
# no window takes the focus by itself.
enter_in() {
  xdotool windowfocus --sync "$1" 2>/dev/null || true
  xdotool key Return
}

# The window titled $1 within $2 seconds. A box "Rennik1" on the way (port 7001 of the address
# check taken by another program) is answered, and counted in the file notices.
wait_window_past_notices() {
  local id end=$((SECONDS + $2))
  while [ "$SECONDS" -lt "$end" ] && kill -0 "$program" 2>/dev/null; do
    id=$(shown_window "$1") && { echo "$id"; return 0; }
    if id=$(shown_box "Rennik1"); then
      enter_in "$id"
      echo notice >>"$work/run/notices"
    fi
    sleep 0.1
  done
  return 1
}

# The records the car was answered with, "lap time" a line, and the laps of a result file.
replied_laps() {
  sed -nE 's/^\[[0-9]+\] [^ ]+ lap 0*([0-9]+)  last ([^ ]+) .*/\1 \2/p' "$1" | LC_ALL=C sort -u
}
result_laps() {
  iconv -f CP932 -t UTF-8 "$1" | tr -d '\r' | sed -nE 's/^([0-9]+),([^,]*),.*/\1 \2/p' | LC_ALL=C sort -u
}

# Whoever holds the car link's port now, for a refusal's message.
port_holders() { ss -Huanp '( sport = :7011 )' | sed -E 's/.*users:\(\("([^"]*)",pid=([0-9]+).*/\1 (pid \2)/' | tr '\n' ' '; }

# One trial, in a subshell of its own: `fail` ends the trial. Exits 75 when another program
# took the car link's port from under the trial, which is then run again. Writes its figures
# into $dir.figures: laps lost, whether the resumed lap is within 20 ms, its error in ms.
run_trial() {
  local n=$1 dir=$2
  local log=$dir.carsim.log layout1=$dir.layout-1.txt layout2=$dir.layout-2.txt
  trial="kill-trial: trial $n"
  rm -rf "$dir" "$dir".*
  mkdir -p "$dir"
  cp "$work/run/first/"*.ini "$dir/"
  wait_car_ports
  local t0
  t0=$(now)

  start_program "$dir" "$layout1"
  wait_window_past_notices "走行状況" 60 >/dev/null || fail "the main screen did not open"
  wait_control "$layout1" "Btn_Start"
  click_control "$layout1" "Btn_ClientNoSet(0)"
  wait_window "ＩＰ設定" 10 >/dev/null || fail "no address box"
  xdotool type --delay 40 "127.0.0.1"
  xdotool key Return
  wait_control "$layout1" "Btn_LapChg(0)"
  click_control "$layout1" "Btn_Start"
  sleep 1
  if shown_box "Rennik1" >/dev/null; then
    echo "trial $n: Start refused, port 7011 held by: $(port_holders); the trial is run again"
    exit 75
  fi

  # Where in the silence after the car's first lap: the kill comes KILL_AT seconds after the
  # lap's first report, INTO seconds after its last.
  local kill_after_window=1 into=${kill_moments[$((n - 1))]}
  local last_report kill_at row
  last_report=$(awk -v c="$contact" -v i="$interval" 'BEGIN { printf "%.3f", int((c - 1e-9) / i) * i }')
  kill_at=$(awk -v r="$last_report" -v k="$into" 'BEGIN { printf "%.3f", r + k }')
  row=$(awk -v k="$into" -v s="$silence" 'BEGIN { print (k < s - 0.05 ? "before" : k > s + 0.05 ? "after" : "as") }')

  "$carsim" --laps "$car_laps" --lap "$lap" --contact "$contact" --interval "$interval" --message "OK" >"$log" 2>&1 &
  car=$!
  sleep 0.3
  if ! kill -0 "$car" 2>/dev/null && grep -q "cannot bind" "$log"; then
    # Another trial's car took port 7012 since the wait: its reports come to this program.
    echo "trial $n: port 7012 taken by another car simulator after Start; the trial is run again"
    exit 75
  fi
  # The lap closed by window W is printed at the first new record of that window.
  local t_window=""
  for _ in $(seq $((lap * car_laps * 20))); do
    if grep -q "^lap $kill_after_window: " "$log"; then t_window=$(now); break; fi
    kill -0 "$car" 2>/dev/null || break
    sleep 0.05
  done
  [ -n "$t_window" ] || fail "the car's lap $kill_after_window was not answered: $(tail -n 3 "$log")"
  sleep "$(awk -v a="$t_window" -v b="$(now)" -v k="$kill_at" 'BEGIN { d = a + k - b; printf "%.3f", (d > 0 ? d : 0) }')"

  local t_kill t_question t_back box
  kill -KILL "$program"
  t_kill=$(now)
  wait "$program" 2>/dev/null || true
  start_program "$dir" "$layout2"
  box=$(wait_window_past_notices "計測再開" 40) || fail "no question 計測再開 after the kill"
  t_question=$(now)
  if [ ! -f "$work/run/resume-question.png" ]; then
    sleep 0.3
    import -window root "$work/run/resume-question.png"
  fi
  enter_in "$box"
  t_back=$(now)
  wait_window "走行状況" 20 >/dev/null || fail "the main screen did not open after the question"
  sleep 0.5
  if shown_box "Rennik1" >/dev/null; then
    local holders
    holders=$(port_holders)
    # Another program's socket on the port is this machine's other trials; none at all would
    # be the killed program's own port not given back, a fault of the program.
    [ -n "$holders" ] || fail "the resume could not take port 7011, which no program holds"
    echo "trial $n: the resume was refused port 7011, held by: $holders; the trial is run again"
    exit 75
  fi
  # The car's next contact must find the program back, or the lap would be timed late.
  local margin
  margin=$(awk -v w="$t_window" -v l="$lap" -v b="$t_back" 'BEGIN { printf "%.1f", w + l - b }')
  awk -v m="$margin" 'BEGIN { exit !(m < 0.3) }' &&
    echo "trial $n: the program was back only $margin s before the car's next contact (a slow start of Wine)"

  local waited=0
  while kill -0 "$car" 2>/dev/null; do
    sleep 0.25
    waited=$((waited + 1))
    [ "$waited" -lt $((lap * car_laps * 4 + 40)) ] || fail "the car did not finish"
  done
  wait "$car" || fail "the car simulator failed: $(tail -n 3 "$log")"
  car=""
  # A record before the car's own first lap can only come from reports of another trial's car
  # on this machine that reached this program.
  if grep -q "held before this car's first lap" "$log"; then
    echo "trial $n: reports of another program's car reached this program; the trial is run again"
    exit 75
  fi
  [ -z "$(ls -A "$dir/results" 2>/dev/null)" ] || fail "the run was stopped before Stop: the resume did not measure on"

  wait_control "$layout2" "Btn_Start"
  click_control "$layout2" "Btn_Start"
  wait_window "Stop確認" 10 >/dev/null || fail "no question at Stop"
  sleep 0.3
  xdotool key alt+y
  local result=""
  for _ in $(seq 40); do
    result=$(ls "$dir/results/"*.txt 2>/dev/null | head -n 1) || true
    [ -z "$result" ] || break
    sleep 0.25
  done
  [ -n "$result" ] || fail "no result file in results/ after Stop"
  click_control "$layout2" "Btn_End"
  wait_window "終了確認" 10 >/dev/null || fail "no question at End"
  xdotool key alt+y
  wait "$program" 2>/dev/null || true
  program=""
  local t_end
  t_end=$(now)

  # (a) Every lap the car was answered for, in the result file with the same time.
  local replied results lost laps_result
  replied=$(replied_laps "$log")
  results=$(result_laps "$result")
  lost=$(LC_ALL=C comm -23 <(echo "$replied") <(echo "$results") | grep -c . || true)
  laps_result=$(grep -c . <<<"$results" || true)
  # (b) The first lap closed after the resume, against the car's own measure.
  local resumed=$((kill_after_window + 1)) line error ok=no
  line=$(grep "^lap $resumed: " "$log") || true
  error=$(sed -n 's/.*host - own \([-+][0-9.]*\) ms.*/\1/p' <<<"$line")
  [ -z "$error" ] || ok=$(awk -v e="$error" 'BEGIN { a = e < 0 ? -e : e; print (a <= 20 ? "yes" : "no") }')
  echo "$lost $ok ${error:-none}" >"$dir.figures"

  echo "trial $n: killed $into s into the silence after lap $kill_after_window ($row lap $resumed's row" \
    "opened); question $(elapsed "$t_kill" "$t_question") s, answered" \
    "$(elapsed "$t_kill" "$t_back") s after the kill, $margin s before the car's next contact;" \
    "laps answered $(grep -c . <<<"$replied" || true), in results/ $laps_result, lost $lost;" \
    "resumed lap $resumed: host - own ${error:-none} ms; $(elapsed "$t0" "$t_end") s"
  if [ "$lost" -gt 0 ]; then
    echo "  lost (lap and time as the car was answered, not in $result):"
    LC_ALL=C comm -23 <(echo "$replied") <(echo "$results") | sed 's/^/    /'
  fi
  [ "$ok" = yes ] || fail "the resumed lap: ${line:-not closed by the host}"
  [ "$laps_result" -eq "$car_laps" ] || fail "the result holds $laps_result laps, not the car's $car_laps"
  [ "$lost" -eq 0 ]
}

# What a trial leaves running when it ends early.
end_trial() {
  local status=$?
  [ "$status" -eq 0 ] || [ "$status" -eq 75 ] || import -window root "$work/run/failed-trial.png" 2>/dev/null || true
  [ -z "$car" ] || kill "$car" 2>/dev/null || true
  [ -z "$program" ] || kill -KILL "$program" 2>/dev/null || true
}

# The moments of the kills, INTO seconds after the lap's last report: one in each of TRIALS
# equal parts of 0.1 to 0.1 + KILL_SPAN seconds, in random order, so that a few trials already
# kill both before and after the next lap's row opens. KILL_TRIAL_SEED repeats a draw.
seed=${KILL_TRIAL_SEED:-$(date +%s)}
mapfile -t kill_moments < <(awk -v seed="$seed" -v n="$trials" -v span="$kill_span" 'BEGIN {
  srand(seed)
  for (i = 0; i < n; i++) part[i] = i
  for (i = n - 1; i > 0; i--) { j = int(rand() * (i + 1)); t = part[i]; part[i] = part[j]; part[j] = t }
  for (i = 0; i < n; i++) printf "%.2f\n", 0.1 + span * (part[i] + rand()) / n
}')
echo "Kill moments drawn with KILL_TRIAL_SEED=$seed: ${kill_moments[*]} s into the silence"

completed=0
lost_total=0
within=0
worst=""
failed=""
started_all=$(now)
for n in $(seq "$trials"); do
  dir=$work/run/ピット-$(printf %02d "$n")
  # A trial whose port another program took is run again, up to ten times.
  for _ in $(seq 10); do
    set +e
    (
      set -e
      trap end_trial EXIT
      run_trial "$n" "$dir"
    )
    status=$?
    set -e
    [ "$status" -eq 75 ] || break
  done
  if [ -f "$dir.figures" ]; then
    read -r lost ok error <"$dir.figures"
    completed=$((completed + 1))
    lost_total=$((lost_total + lost))
    [ "$ok" != yes ] || within=$((within + 1))
    [ "$error" = none ] || worst=$(awk -v e="$error" -v w="${worst:-0}" 'BEGIN { a = e < 0 ? -e : e; printf "%.1f", (a > w ? a : w) }')
  fi
  [ "$status" -eq 0 ] || failed="$failed $n"
done

notices=$(grep -c . "$work/run/notices" 2>/dev/null || true)
[ "${notices:-0}" -eq 0 ] || echo "($notices boxes about port 7001 taken by another program answered on the way)"
[ ! -f "$work/run/resume-question.png" ] || echo "The question after the kill: $work/run/resume-question.png"
echo "$(elapsed "$started_all" "$(now)") s for $trials trials"
[ -z "$failed" ] || echo "Trials that failed a check (see above):$failed"
echo "$completed of $trials trials under Wine: laps lost $lost_total, resumed laps within 20 ms: $within"
echo "worst resumed-lap error: |host - own| ${worst:-none} ms"
[ "$lost_total" -eq 0 ] && [ -z "$failed" ]
