#!/usr/bin/env bash
# Start-up figures of the real program under Xvfb, against a bare Qt window (one empty window,
# tools/bench/bare_window) started the same way in the same run: time from exec to the window
# being mapped (median of RUNS starts each, alternating), then the program's resident memory
# once shown and the processor time it uses while it sits idle.
# Usage: bash tools/bench/startup.sh [BUILD_DIR] [IDLE_SECONDS] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
. tools/bench/xvfb_start.sh
build="${1:-build/release}"
idle="${2:-60}"
runs="${3:-5}"
work=$(mktemp -d)
xpid="" vpid=""
cleanup() {
  [ -n "$vpid" ] && kill "$vpid" 2>/dev/null || true
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/pf" "$work/run"
chmod 700 "$work/run"
cp -a data/. "$work/pf/"
cp "$build/fresco.exe" "$work/pf/"
rm -f "$work/pf/CONNECT.TMP" "$work/pf/START.1ST"
refuse_if_vantry_runs
start_xvfb "$work"
export XDG_DATA_HOME="$work/xdg" XDG_RUNTIME_DIR="$work/run"
# As root the web engine runs only without its sandbox, which the program leaves to its user.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
cd "$work/pf"

# Starts the program and sets ms to the milliseconds until a window titled TITLE is mapped;
# leaves its pid in vpid.
shown_ms() {
  local title=$1; shift
  local t0
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1 &
  vpid=$!
  wait_for_window "$title" 10000 "$t0" || exit 1
}
stop() { kill "$vpid" 2>/dev/null || true; wait "$vpid" 2>/dev/null || true; vpid=""; }

vantry=() bare=()
for i in $(seq "$runs"); do
  shown_ms "Bare Qt window" "$root/$build/vantry-bare-window"; bare+=("$ms"); stop
  shown_ms "Vantry 3.5" "$root/$build/vantry"; vantry+=("$ms")
  if [ "$i" -lt "$runs" ]; then stop; fi
done
v=$(printf '%s\n' "${vantry[@]}" | median)
b=$(printf '%s\n' "${bare[@]}" | median)
echo "start to main window shown: Vantry $v ms, bare Qt window $b ms (medians of $runs; Vantry ${vantry[*]}; bare ${bare[*]})"

# The last start is still running.
sleep 8   # past the splash's last step
rss=$(awk '/VmRSS/ {print $2}' /proc/$vpid/status)
echo "resident memory once shown: $(( rss / 1024 )) MB (goal < 60 MB)"
ticks() { awk '{print $14 + $15}' /proc/$vpid/stat; }
c0=$(ticks)
sleep "$idle"
c1=$(ticks)
hz=$(getconf CLK_TCK)
echo "processor time while idle for ${idle} s: $(( (c1 - c0) * 1000 / hz )) ms"
