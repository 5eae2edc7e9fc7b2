#!/bin/bash
# End to end: Tavrel starts on the demo data, shows the level "Varn" in a
# 1286 x 800 window, asks at quit after a zoom (answered No) and exits with 0;
# it exits with 1 and a message when there is no display.
#
# Usage: bash test_startup.sh <path-to-tavrel> <outdir>
# Uses the display in DISPLAY (starting openbox there if no window manager
# runs); without DISPLAY it starts its own Xvfb and openbox.
set -u

TAVREL=$(readlink -f "${1:?path to tavrel}")
OUT=${2:?output directory}
mkdir -p "$OUT"
OUT=$(readlink -f "$OUT")

. "$(dirname "$0")/e2e_lib.sh"

shot() { import -window root "$OUT/$1" 2>/dev/null || echo "(no screenshot $1)"; }

[ -x "$TAVREL" ] || { echo "FAIL: $TAVREL is not an executable" >&2; exit 1; }
for tool in xdotool xwininfo xprop import openbox; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing" >&2; exit 1; }
done

# --- Without a display: a clear message and status 1 -------------------------
env -u DISPLAY -u WAYLAND_DISPLAY "$TAVREL" >"$OUT/nodisplay.out" 2>"$OUT/nodisplay.err" </dev/null
status=$?
if [ "$status" -eq 1 ] && grep -q "cannot open the main window" "$OUT/nodisplay.err"; then
  pass "no DISPLAY: status 1 with a message"
else
  fail "no DISPLAY: status $status, stderr: $(cat "$OUT/nodisplay.err")"
fi
env -u WAYLAND_DISPLAY DISPLAY=:9876 timeout 30 "$TAVREL" >/dev/null 2>"$OUT/baddisplay.err" </dev/null
status=$?
if [ "$status" -eq 1 ] && grep -q "cannot open the main window" "$OUT/baddisplay.err"; then
  pass "DISPLAY pointing nowhere: status 1 with a message"
else
  fail "DISPLAY pointing nowhere: status $status"
fi

# --- A display with a window manager -----------------------------------------
e2e_display

# Waits until a visible window whose whole name is $1 and which belongs to the
# program exists; prints its id.
find_window() {
  local name=$1 tries=${2:-150} id pid
  for _ in $(seq 1 "$tries"); do
    for id in $(xdotool search --onlyvisible --name "^$name\$" 2>/dev/null); do
      pid=$(xdotool getwindowpid "$id" 2>/dev/null)
      if [ "$pid" = "$APP_PID" ]; then
        echo "$id"
        return 0
      fi
    done
    sleep 0.1
  done
  return 1
}

# Waits up to $1 tenths of a second for the program to end; sets EXIT_STATUS.
wait_exit() {
  local tries=$1
  for _ in $(seq 1 "$tries"); do
    if ! kill -0 "$APP_PID" 2>/dev/null; then
      wait "$APP_PID"
      EXIT_STATUS=$?
      APP_PID=""
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# Asks the window manager to close window $1 (Alt+F4), again if neither the
# quit question nor the end of the program follows.
request_close() {
  local attempt
  for attempt in 1 2 3; do
    xdotool windowactivate --sync "$1" 2>/dev/null
    sleep 0.3
    xdotool key --clearmodifiers alt+F4
    for _ in $(seq 1 30); do
      kill -0 "$APP_PID" 2>/dev/null || return 0
      [ -n "$(xdotool search --onlyvisible --name '^Tavrel$' 2>/dev/null)" ] && return 0
      sleep 0.1
    done
  done
}

start_tavrel() {
  (cd "$OUT" && exec "$TAVREL") >"$OUT/$1.out" 2>"$OUT/$1.err" </dev/null &
  APP_PID=$!
}

# --- Start, look, zoom, quit with the question answered No --------------------
start_tavrel run1
if ! WIN=$(find_window Varn); then
  fail "no window titled \"Varn\" appeared"
  shot startup-failed.png
  exit 1
fi
pass "window titled \"$(xdotool getwindowname "$WIN")\""
sleep 1
INFO=$(xwininfo -id "$WIN")
width=$(awk '/^ *Width:/ {print $2}' <<<"$INFO")
height=$(awk '/^ *Height:/ {print $2}' <<<"$INFO")
if [ "$width" = 1286 ] && [ "$height" = 800 ]; then
  pass "client area 1286 x 800"
else
  fail "client area $width x $height"
fi
shot startup.png

# Zoom out with the keypad shortcut; the map in the window must change.
import -window "$WIN" "$OUT/window-before-zoom.png" 2>/dev/null
zoomed=0
for _ in 1 2 3; do
  xdotool windowactivate --sync "$WIN" 2>/dev/null
  sleep 0.3
  xdotool key --clearmodifiers ctrl+KP_Subtract
  sleep 1
  import -window "$WIN" "$OUT/window-after-zoom.png" 2>/dev/null
  differing=$(compare -metric AE "$OUT/window-before-zoom.png" "$OUT/window-after-zoom.png" null: 2>&1)
  if [ "${differing%% *}" != 0 ]; then
    zoomed=1
    break
  fi
done
if [ "$zoomed" = 1 ]; then pass "Ctrl+keypad Minus changed the map"; else fail "Ctrl+keypad Minus changed nothing"; fi
shot startup-zoomed.png

request_close "$WIN"
if DIALOG=$(find_window Tavrel 50); then
  pass "the quit question appeared"
  sleep 0.5
  shot quit-question.png
  xdotool windowactivate --sync "$DIALOG" 2>/dev/null
  sleep 0.3
  xdotool key --clearmodifiers alt+n
else
  fail "no quit question after a zoom"
  shot quit-question-missing.png
fi
if wait_exit 100; then
  if [ "$EXIT_STATUS" -eq 0 ]; then pass "exit status 0 after No"; else fail "exit status $EXIT_STATUS after No"; fi
else
  fail "the program did not end after the quit question"
  shot quit-hang.png
fi
[ -s "$OUT/run1.err" ] && echo "(stderr of the first run: $(head -c 2000 "$OUT/run1.err"))"

# --- Without a change, closing asks nothing ----------------------------------
start_tavrel run2
if WIN=$(find_window Varn); then
  sleep 0.5
  request_close "$WIN"
  if DIALOG=$(find_window Tavrel 5); then
    fail "a question was asked although nothing changed"
    shot close-question.png
    xdotool windowactivate --sync "$DIALOG" 2>/dev/null
    xdotool key --clearmodifiers alt+n
  fi
  if wait_exit 100; then
    if [ "$EXIT_STATUS" -eq 0 ]; then pass "closed without a question, status 0"; else fail "status $EXIT_STATUS"; fi
  else
    fail "the program did not end on close without changes"
    shot close-hang.png
  fi
else
  fail "no window in the second run"
fi

e2e_finish startup
