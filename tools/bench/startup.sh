#!/usr/bin/env bash
# Start-up figures of the real program under Xvfb: time from exec to the main window being
# mapped, resident memory once shown, and processor time used while it sits idle.
# Usage: bash tools/bench/startup.sh [BUILD_DIR] [IDLE_SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build/release}"
idle="${2:-60}"
work=$(mktemp -d)
trap 'kill $vpid $xpid 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/pf"
cp -a data/. "$work/pf/"
cp "$build/fresco.exe" "$work/pf/"
rm -f "$work/pf/CONNECT.TMP" "$work/pf/START.1ST"
Xvfb :93 -screen 0 1280x800x24 -noreset >/dev/null 2>&1 &
xpid=$!
for _ in $(seq 100); do [ -S /tmp/.X11-unix/X93 ] && break; sleep 0.05; done
export DISPLAY=:93 XDG_DATA_HOME="$work/xdg"
cd "$work/pf"
t0=$(date +%s%N)
"$OLDPWD/$build/vantry" >/dev/null 2>&1 &
vpid=$!
# The main window is mapped when its title appears in the window tree.
until xwininfo -root -tree 2>/dev/null | grep -q '"Vantry 3.5"'; do
  sleep 0.002
  if [ $(( ($(date +%s%N) - t0) / 1000000 )) -gt 10000 ]; then echo "no main window after 10 s"; exit 1; fi
done
t1=$(date +%s%N)
echo "start to main window shown: $(( (t1 - t0) / 1000000 )) ms (goal < 300 ms)"
sleep 8   # past the splash's last step
rss=$(awk '/VmRSS/ {print $2}' /proc/$vpid/status)
echo "resident memory once shown: $(( rss / 1024 )) MB (goal < 60 MB)"
ticks() { awk '{print $14 + $15}' /proc/$vpid/stat; }
c0=$(ticks)
sleep "$idle"
c1=$(ticks)
hz=$(getconf CLK_TCK)
echo "processor time while idle for ${idle} s: $(( (c1 - c0) * 1000 / hz )) ms"
