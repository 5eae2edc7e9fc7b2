#!/usr/bin/env bash
# Starts Tavrel on the demo level under its own virtual display, leaves it
# alone for 10 seconds and prints the processor time it used meanwhile
# (user + system, from /proc/<pid>/stat).
#
# Usage: scripts/idle-cpu.sh [path-to-tavrel]   (default: build/tavrel)
set -u
TAVREL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
program=$(readlink -f "${1:-$TAVREL_ROOT/build/tavrel}")
[ -x "$program" ] || { echo "no program at $program" >&2; exit 1; }
. "$TAVREL_ROOT/scripts/lib/xvfb.sh"

# Always a display of our own, so that nothing else draws or moves the pointer.
unset DISPLAY WAYLAND_DISPLAY
export GDK_BACKEND=x11 NO_AT_BRIDGE=1
tavrel_ensure_display

(cd "$(dirname "$program")" && exec "$program") >/dev/null 2>&1 </dev/null &
pid=$!
stop() {
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  tavrel_stop_display
}
trap stop EXIT

# Let it start and settle (window shown, first frames drawn).
sleep 4
kill -0 "$pid" 2>/dev/null || { echo "the program ended early" >&2; exit 1; }
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
t0=$(ticks)
sleep 10
t1=$(ticks)
hz=$(getconf CLK_TCK)
awk -v t=$((t1 - t0)) -v hz="$hz" 'BEGIN { printf "processor time used in 10 s left alone: %.2f s (%d ticks of 1/%d s)\n", t / hz, t, hz }'
