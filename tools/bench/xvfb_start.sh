# Sourced by the start-up benchmarks: a private display, waiting for a window, the median, and
# the check that no copy of the program runs for this user.

# The program runs once per user, whatever its environment: a copy already running would make
# each one the benchmark starts end at once. Ends the benchmark saying so.
refuse_if_vantry_runs() {
  local lock="/tmp/vantry-$(id -u)/vantry.lock"
  if [ -f "$lock" ] && ! flock -n "$lock" true 2>/dev/null; then
    echo "Vantry is running as $(id -un): close it first, the benchmark starts its own" >&2
    exit 1
  fi
}

# Starts Xvfb on a display number of the server's own choosing (so parallel runs never collide),
# exports DISPLAY and leaves the server's pid in xpid. $1: a scratch folder.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 1280x800x24 -noreset -nolisten tcp 3>"$1/display" >/dev/null 2>&1 &
  xpid=$!
  for _ in $(seq 200); do [ -s "$1/display" ] && break; sleep 0.05; done
  [ -s "$1/display" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$1/display")"
}

# Waits until a window titled $1 is mapped, at most $2 ms after $3 (from date +%s%N); sets ms
# to the milliseconds from $3 to then.
wait_for_window() {
  local title=$1 limit=$2 t0=$3
  until xwininfo -root -tree 2>/dev/null | grep -q "\"$title\""; do
    sleep 0.002
    if [ $(( ($(date +%s%N) - t0) / 1000000 )) -gt "$limit" ]; then
      echo "no window \"$title\" after $(( limit / 1000 )) s" >&2
      return 1
    fi
  done
  ms=$(( ($(date +%s%N) - t0) / 1000000 ))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
