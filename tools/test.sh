#!/usr/bin/env bash
# Sets up what is missing, builds everything (program, tools, tests) into build/ci (build/asan
# for the asan preset) and runs every test.
# Usage: bash tools/test.sh [preset]   (preset: default or asan)
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
preset="${1:-default}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
# Tests that need a display bring their own Xvfb; the rest run headless or offscreen.
ctest --preset "$preset"
