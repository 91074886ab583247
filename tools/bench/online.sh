#!/usr/bin/env bash
# Online figures of the real program under Xvfb with the demo gallery up: time from exec to the
# main window being mapped (the web engine must not hold it back), and resident memory of the
# program plus its web-engine processes once the news page has been served and shown.
# With a second build directory (for example a build of an earlier commit) the start-up time is
# measured for it too, in the same run, and the ratio printed.
# Usage: bash tools/bench/online.sh [BUILD_DIR] [BASE_BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../.."
top=$PWD
. tools/bench/xvfb_start.sh
build="${1:-build/release}"
base="${2:-}"
runs="${3:-5}"
work=$(mktemp -d)
gpid="" xpid="" vpid=""
cleanup() { kill $vpid $gpid $xpid 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
start_xvfb "$work"
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---disable-gpu}"

"$top/$build/vantry-gallery" --port 0 --quiet --log "$work/gallery.log" >"$work/gallery.out" &
gpid=$!
for _ in $(seq 100); do grep -q listening "$work/gallery.out" 2>/dev/null && break; sleep 0.05; done
port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/gallery.out")
echo "demo gallery on port $port"

# Memory of a process and all its descendants, in kB: resident (RSS, which counts the pages the
# processes share once per process) and proportional (PSS, which shares them out, so the sum is
# what the whole program really holds).
tree_mem() {
  local field=$2 total=0 p
  for p in $1 $(descendants "$1"); do
    total=$(( total + $(awk -v f="$field:" '$1 == f {print $2}' /proc/$p/smaps_rollup 2>/dev/null || echo 0) ))
  done
  echo $total
}
descendants() {
  local c
  for c in $(cat /proc/"$1"/task/*/children 2>/dev/null); do echo "$c"; descendants "$c"; done
}

# One start: sets $elapsed to the milliseconds to the main window and leaves the program
# running as $vpid.
start_once() {
  local bin=$1 pf="$work/pf-$RANDOM"
  mkdir -p "$pf"; cp -a data/. "$pf/"; cp "$(dirname "$bin")/fresco.exe" "$pf/"
  rm -f "$pf/CONNECT.TMP" "$pf/START.1ST"
  printf 'gallery=vantry-gallery.localhost:%s\r\nsite=vantry-site.localhost:%s\r\n' "$port" "$port" >"$pf/HOSTS.CFG"
  printf 'Vantry, Get news when program starts\r\n' >"$pf/NEWS.CFG"
  : >"$work/gallery.log"
  local t0
  t0=$(date +%s%N)
  ( cd "$pf" && XDG_DATA_HOME="$pf/xdg" exec "$bin" >/dev/null 2>&1 ) &
  vpid=$!
  wait_for_window "Vantry 3.5" 15000 "$t0" || return 1
  elapsed=$ms
}
stop_once() { kill $vpid 2>/dev/null || true; wait $vpid 2>/dev/null || true; vpid=""; }

times=()
for i in $(seq "$runs"); do
  start_once "$top/$build/vantry"
  times+=("$elapsed")
  if [ "$i" -eq 1 ]; then
    for _ in $(seq 300); do grep -q portal_news.htm "$work/gallery.log" && break; sleep 0.1; done
    grep -q portal_news.htm "$work/gallery.log" || echo "the news page was never requested"
    sleep 5  # the page rendered and the splash's steps done
    echo "memory of program and web engine, news page shown: PSS $(( $(tree_mem $vpid Pss) / 1024 )) MB, RSS summed $(( $(tree_mem $vpid Rss) / 1024 )) MB (goal < 250 MB)"
    echo "processes: 1 + $(descendants $vpid | wc -l) web-engine"
  fi
  stop_once
done
now=$(printf '%s\n' "${times[@]}" | median)
echo "start to main window shown, gallery up: median $now ms of ${times[*]}"
if [ -n "$base" ]; then
  btimes=()
  for i in $(seq "$runs"); do start_once "$top/$base/vantry"; btimes+=("$elapsed"); stop_once; done
  was=$(printf '%s\n' "${btimes[@]}" | median)
  echo "start to main window shown, $base: median $was ms of ${btimes[*]}"
  awk -v a="$now" -v b="$was" 'BEGIN { printf "ratio %.2f (goal within 1.5)\n", a / b }'
fi
