#!/usr/bin/env bash
# Prints which folders of src/platform include which (one line per folder: the folder, its line
# count, the folders it includes) and fails when the folders' includes form a cycle, so that
# the layers keep running one way.
# Usage: bash tools/platform-graph.sh
set -euo pipefail
cd "$(dirname "$0")/../src/platform"
edges=$(mktemp); trap 'rm -f "$edges"' EXIT
for d in */; do
  d=${d%/}
  lines=$(cat "$d"/*.cpp "$d"/*.h 2>/dev/null | wc -l)
  uses=$(grep -ho '#include "platform/[a-z_]*/' "$d"/*.cpp "$d"/*.h 2>/dev/null |
         sed 's|#include "platform/||;s|/$||' | grep -vx "$d" | sort -u | tr '\n' ' ' || true)
  printf '%-10s %6s lines  uses: %s\n' "$d" "$lines" "${uses:-nothing}"
  echo "$d $d" >>"$edges"
  for u in $uses; do echo "$u $d" >>"$edges"; done
done
if ! tsort "$edges" >/dev/null 2>&1; then
  echo "platform folders include each other:" >&2
  tsort "$edges" 2>&1 >/dev/null | sed -E 's/^tsort: .*: input contains a loop:/  a loop:/; s/^tsort: /    /' >&2
  exit 1
fi
echo "no cycles"
