#!/usr/bin/env bash
# Sets up what is missing, builds Vantry and starts it on a demo program folder made from data/.
# The program folder is ./program (VANTRY_PROGRAM_DIR to choose another); an existing one is kept,
# so settings saved in one run are there in the next.
set -euo pipefail
cd "$(dirname "$0")/.."
top="$PWD"
bash tools/setup.sh
cmake --preset release >/dev/null
build="$top/build/release"
# The program and what it runs (the updater, the demo gallery when there is one); not the tests.
targets=(vantry fresco)
if grep -q '^build vantry-gallery:' "$build/build.ninja"; then targets+=(vantry-gallery); fi
cmake --build --preset release --target "${targets[@]}"
pf="${VANTRY_PROGRAM_DIR:-$top/program}"
if [ ! -d "$pf" ]; then
  mkdir -p "$pf"
  cp -a data/. "$pf/"
  cp "$build/fresco.exe" "$pf/fresco.exe"
  echo "run-demo: made the program folder $pf"
fi
# The demo gallery answers for the online hosts on 127.0.0.1:8642 while the program runs; its
# request log is build/release/gallery.log.
if [ -x "$build/vantry-gallery" ]; then
  "$build/vantry-gallery" --quiet --log "$build/gallery.log" &
  gallery=$!
  trap 'kill $gallery 2>/dev/null || true' EXIT
  # The program asks for the news page as it starts: let the gallery listen first (5 s at most).
  for _ in $(seq 50); do
    (exec 3<>/dev/tcp/127.0.0.1/8642) 2>/dev/null && break
    sleep 0.1
  done
fi
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
cd "$pf"
# Not exec: the demo gallery is stopped when Vantry ends.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run-demo: no display: running under Xvfb, where nothing is shown; press Ctrl+C to stop"
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/vantry"
else
  "$build/vantry"
fi
