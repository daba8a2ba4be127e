#!/usr/bin/env bash
# How late a receive thread under Wine takes the moment a datagram came, apart from the rest of
# the host: rennik1-arrival-probe.exe (bench/wine) waits on one UDP socket as the pit host's
# receive thread does, and the Linux rennik1-probe-sender sends it datagrams that carry the moment
# of their send (from a realtime thread, so that load does not delay the send after its reading).
#   scripts/windows/arrival-probe.sh [DATAGRAMS]        (300 per row unless told)
# One row per way of waiting (a blocking read, or the socket's event with the moment taken as the
# wait ends), per load (none; two threads of the probe spinning, as the bench's busy cores under
# Wine; one thread of the probe busy 30 ms in every 100 ms, as the bench's busy user-interface
# thread) and per priority under Linux:
#   as-is        what Wine 8 gives: the receive thread's Windows priority changes nothing;
#   fifo-thread  the receive thread (found by its name) made SCHED_FIFO from outside;
#   fifo-all     the Wine server made SCHED_FIFO too: it plays the part of the Windows kernel in
#                every wait and read, so this is the strict precedence Windows gives a
#                time-critical thread over normal ones.
# Runs in the network namespace "rennik-probe" (made if missing) with a Wine prefix of its own
# (build/win-timing/probe/wine-prefix), so that no other program's ports or Wine are touched; needs root.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

count=${1:-300}
[[ $count =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [DATAGRAMS]" >&2; exit 2; }
work=$root/build/win-timing/probe
port=7031
netns=rennik-probe

mkdir -p "$work"
x86_64-w64-mingw32-g++-posix -std=c++20 -O2 -Wall -Wextra -static -o "$work/rennik1-arrival-probe.exe" \
  bench/wine/arrival_probe.cpp -lws2_32 -lmswsock
g++ -std=c++20 -O2 -Wall -Wextra -o "$work/rennik1-probe-sender" bench/wine/probe_sender.cpp

ip netns add "$netns" 2>/dev/null || true
ip netns exec "$netns" ip link set lo up
in_netns() { ip netns exec "$netns" "$@"; }
# The prefix's Wine server is started inside the namespace first: it makes the sockets.
export WINEPREFIX=$work/wine-prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
fresh=$([ -d "$WINEPREFIX" ] || echo yes)
mkdir -p "$WINEPREFIX"
# A server of this prefix left from an earlier run, perhaps outside the namespace, is ended first.
in_netns wineserver -k 2>/dev/null || true
in_netns wineserver -w
in_netns wineserver -p 60
trap 'in_netns wineserver -k 2>/dev/null || true' EXIT
[ -z "$fresh" ] || in_netns wine wineboot --init 2>/dev/null
in_namespace() { ip netns pids "$netns"; }
server=$(for p in $(in_namespace); do [[ $(cat "/proc/$p/comm" 2>/dev/null) == wineserver* ]] && echo "$p"; done | head -n 1)
[ -n "$server" ] || { echo "no Wine server in the namespace $netns" >&2; exit 1; }

# The Linux thread of the probe's receive thread: Wine names it after its Windows description.
receive_thread() {
  local p t
  for p in $(in_namespace); do
    for t in /proc/"$p"/task/*; do
      [ "$(cat "$t/comm" 2>/dev/null)" = arrival-receive ] && { basename "$t"; return 0; }
    done
  done
  return 1
}

row() {
  local wait=$1 load=$2 priority=$3 out=$work/probe.out
  local args=(--port "$port" --count "$count" --wait "$wait" --label "$wait, $load, $priority")
  case $load in
    spin) args+=(--spin 2) ;;
    busy) args+=(--busy yes) ;;
  esac
  rm -f "$out"
  in_netns wine "$work/rennik1-arrival-probe.exe" "${args[@]}" >"$out" 2>&1 &
  local probe=$!
  for _ in $(seq 100); do grep -q ready "$out" 2>/dev/null && break; sleep 0.1; done
  local tid
  tid=$(receive_thread) || { echo "no receive thread for $wait/$load/$priority" >&2; kill "$probe"; return 1; }
  chrt -o -p 0 "$server"
  case $priority in
    fifo-thread) chrt -f -p 10 "$tid" ;;
    fifo-all) chrt -f -p 10 "$tid"; chrt -f -p 10 "$server" ;;
  esac
  in_netns "$work/rennik1-probe-sender" --port "$port" --count "$count" --interval-ms 10 --fifo
  wait "$probe"
  grep -v '^ready' "$out"
}

echo "$(date -u '+%F %T') UTC, load average $(cut -d' ' -f1-3 /proc/loadavg); $count datagrams a row"
for priority in as-is fifo-thread fifo-all; do
  for load in none spin busy; do
    for wait in blocking event; do
      row "$wait" "$load" "$priority"
    done
  done
done
chrt -o -p 0 "$server"
