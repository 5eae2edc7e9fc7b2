# Shared by the end-to-end tests: failure counting, clean-up of the processes
# they start, and a display with a window manager (the one in DISPLAY, with
# openbox started there if no window manager runs; else an Xvfb of its own).
# Sourced after OUT is set; the test sets APP_PID to the program's process.

OWN_PIDS=()
APP_PID=""
FAILURES=0

e2e_cleanup() {
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then kill "$APP_PID" 2>/dev/null; fi
  for pid in "${OWN_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${OWN_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
}
trap e2e_cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  FAILURES=$((FAILURES + 1))
}
pass() { echo "ok: $*"; }

# Ends the test: status 1 when a check failed.
e2e_finish() {
  if [ "$FAILURES" -ne 0 ]; then
    echo "$FAILURES check(s) failed; screenshots in $OUT" >&2
    exit 1
  fi
  echo "all $1 checks passed; screenshots in $OUT"
  exit 0
}

e2e_display() {
  if [ -z "${DISPLAY:-}" ]; then
    # Xvfb picks a free display number itself and writes it to fd 3.
    exec 3>"$OUT/xvfb.display"
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp >"$OUT/xvfb.log" 2>&1 &
    local xvfb_pid=$!
    exec 3>&-
    OWN_PIDS+=("$xvfb_pid")
    for _ in $(seq 1 100); do
      [ -s "$OUT/xvfb.display" ] && break
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    local n
    n=$(head -n 1 "$OUT/xvfb.display" 2>/dev/null)
    [ -n "$n" ] || { echo "FAIL: could not start Xvfb" >&2; exit 1; }
    export DISPLAY=":$n"
  fi
  unset WAYLAND_DISPLAY
  export GDK_BACKEND=x11
  export NO_AT_BRIDGE=1
  # A window manager closes windows politely (Alt+F4 asks the program).
  if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    openbox >"$OUT/openbox.log" 2>&1 &
    OWN_PIDS+=("$!")
    for _ in $(seq 1 100); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
      sleep 0.1
    done
    sleep 0.5
  fi
}

# --- The program's window and the pointer (xdotool, xwininfo, ImageMagick) ------
shot() { import -window root "$OUT/$1.png" 2>/dev/null; }
# Moves the pointer to gadget-area coordinates (x, y) of the main window.
move() { xdotool mousemove $((GX + $1)) $((GY + $2)); sleep 0.05; }
# Starts $TAVREL in $OUT with its window "Varn" at (40, 40); sets APP_PID, WIN, its client area
# WX, WY, map pixel (0, 0) on the screen CX, CY (by matching <map picture>) and the gadget area GX, GY.
e2e_start() {
  (cd "$OUT" && exec "$TAVREL") >"$OUT/tavrel.out" 2>"$OUT/tavrel.err" </dev/null &
  APP_PID=$!
  WIN=$(timeout 20 xdotool search --sync --pid "$APP_PID" --onlyvisible --name '^Varn$' 2>/dev/null | head -n 1)
  [ -n "$WIN" ] || { fail "no window titled \"Varn\""; exit 1; }
  xdotool windowactivate --sync "$WIN" windowmove --sync "$WIN" 40 40 2>/dev/null
  sleep 1.5
  read -r WX WY < <(xwininfo -id "$WIN" |
    awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { print x, $4 }')
  shot start
  convert "$OUT/start.png" -crop 124x103+$((WX + 300))+$((WY + 318)) +repage "$OUT/probe-screen.png"
  convert "$1" -crop 120x80+300+300 +repage "$OUT/probe-map.png"
  local r
  r=$(compare -metric AE -fuzz 6% -subimage-search "$OUT/probe-screen.png" "$OUT/probe-map.png" null: 2>&1)
  [[ "$r" =~ ^([0-9]+)\ @\ ([0-9]+),([0-9]+) ]] && [ "${BASH_REMATCH[1]}" -lt 100 ] ||
    { fail "the map picture is not in the window ($r)"; exit 1; }
  CX=$((WX + BASH_REMATCH[2])) CY=$((WY + 18 + BASH_REMATCH[3]))
  GX=$((CX - 1)) GY=$((CY - 1))
}
