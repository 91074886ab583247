#!/usr/bin/env bash
# The picture download against `curl -o` with the demo gallery on a free loopback port.
# Usage: bash tools/bench/download.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build/release}"
runs="${2:-5}"
work=$(mktemp -d)
gpid=""
cleanup() { [ -n "$gpid" ] && kill "$gpid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
"$build/vantry-gallery" --port 0 --quiet >"$work/gallery.out" &
gpid=$!
for _ in $(seq 100); do grep -q listening "$work/gallery.out" 2>/dev/null && break; sleep 0.05; done
port=$(sed -n 's/.*127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/gallery.out")
echo "demo gallery on port $port"
QT_QPA_PLATFORM=offscreen "$build/vantry-download-bench" "$port" "$runs"
