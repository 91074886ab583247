#!/usr/bin/env bash
# The wallpaper benchmark next to a root-setting tool that runs and fails (a feh that exits 1)
# and one that is not installed (no nitrogen on PATH): "failed" for the first only.
# Usage: bench_wallpaper_tools.sh PATH/TO/vantry-bench
set -euo pipefail
bench=$1
xvfb=$(command -v Xvfb) || { echo "Xvfb not installed"; exit 77; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/bin"
ln -s "$xvfb" "$tmp/bin/Xvfb"
printf '#!/bin/sh\nexit 1\n' >"$tmp/bin/feh"
chmod +x "$tmp/bin/feh"

out=$(PATH="$tmp/bin" "$bench" "$tmp/scratch" wallpaper)
printf '%s\n' "$out"
want="feh --bg-fill failed, nitrogen --set-zoom-fill not installed, skipped"
[ "$(printf '%s\n' "$out" | grep -cF "$want")" -eq 2 ] || { echo "FAILED: wanted twice: $want"; exit 1; }
