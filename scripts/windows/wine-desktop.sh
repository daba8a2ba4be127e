# Sourced by the trials of the Windows package under Wine (smoke.sh, kill-trial.sh,
# live-wine.sh): a Japanese Windows on a virtual pit-laptop screen, the program's controls found
# by their names in the layout file it keeps (--layout), the package and the Linux car simulator.
# The sourcing script sets `trial`, the word its failures begin with, and has
# `set -euo pipefail`.

# dist/Rennik1-win64.zip as `zip`, the package of the tree: built again when missing or older
# than the last commit.
package_of_the_tree() {
  zip=dist/Rennik1-win64.zip
  local head_time
  head_time=$(git log -1 --format=%ct HEAD 2>/dev/null || echo 0)
  if [ ! -f "$zip" ] || [ "$(stat -c %Y "$zip")" -lt "$head_time" ]; then
    scripts/windows/package.sh
  fi
}

# The Linux car simulator, built in build/release, as `carsim`.
build_linux_carsim() {
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DRENNIK_TESTS=OFF >/dev/null
  cmake --build build/release -j"$(nproc)" --target rennik1-carsim >/dev/null
  carsim=$PWD/build/release/tools/rennik1-carsim
}

fail() {
  echo "$trial: $*" >&2
  exit 1
}

# Wine takes the pit PC's language from LANG: a Japanese Windows, code page 932.
ensure_japanese_locale() {
  locale -a | grep -qix 'ja_JP.utf8' && return 0
  if [ "$(id -u)" -eq 0 ]; then
    localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  elif sudo -n true 2>/dev/null; then
    sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
  else
    fail "the locale ja_JP.UTF-8 is missing; please run: sudo localedef -i ja_JP -f UTF-8 ja_JP.UTF-8"
  fi
}

# A 1366x768 virtual display of its own, the first free number from $1, as DISPLAY; its process
# is `xvfb`. The area left for windows is announced as a desktop does it: the screen without
# Windows 11's taskbar (48 pixels at the bottom). Wine gives it to Windows programs as the work
# area, and Qt on Linux reads it too.
start_virtual_display() {
  local display=$1
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
  done
  Xvfb ":$display" -screen 0 1366x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  xvfb=$!
  export DISPLAY=":$display"
  for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
  kill -0 "$xvfb" 2>/dev/null || fail "the virtual display :$display did not start"
  xprop -root -f _NET_WORKAREA 32c -set _NET_WORKAREA "0, 0, 1366, 720"
}

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

# The seconds of silence that open the next lap, set in the Rennik.ini of folder $1 to $2.
set_silence_seconds() {
  iconv -f CP932 -t UTF-8 "$1/Rennik.ini" | sed "s/^ラップ加算無通信秒数=.*/ラップ加算無通信秒数=$2\r/" |
    iconv -f UTF-8 -t CP932 > "$1/Rennik.ini.new"
  mv "$1/Rennik.ini.new" "$1/Rennik.ini"
}

# The controls by their names, from the layout file the program keeps (--layout): each line
# "widget name class visible x y w h cx cy cw ch" in screen pixels, cx..ch the part not cut off.
control() {
  awk -F'\t' -v n="$2" '$1 == "widget" && $2 == n && $4 == 1 { print $5, $6, $7, $8; found = 1 }
    END { exit !found }' "$1"
}
click_control() {
  local x y w h
  read -r x y w h < <(control "$1" "$2") || fail "$2 is not shown (layout $1)"
  xdotool mousemove $((x + w / 2)) $((y + h / 2)) click 1
}

# Waits for the layout file to name a shown control.
wait_control() {
  for _ in $(seq 40); do control "$1" "$2" >/dev/null 2>&1 && return 0; sleep 0.25; done
  fail "$2 is not shown (layout $1)"
}
