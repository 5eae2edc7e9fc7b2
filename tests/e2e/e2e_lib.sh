# Shared by the end-to-end tests: failure counting, clean-up of the processes
# they start, a display with a window manager, starting and closing the
# program, and screenshots compared as pictures. A test sources it and calls
# e2e_args first; APP_PID is the program's process.

OWN_PIDS=() APP_PID="" FAILURES=0

e2e_cleanup() {
  # The program is gone with its windows before the next test looks for its own.
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then kill "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null; fi
  for pid in "${OWN_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${OWN_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
}
trap e2e_cleanup EXIT

# e2e_args <folder> <tavrel> <outdir>: the test's arguments. Sets TAVREL to the
# program and OUT to <outdir>/<folder>, made if missing.
e2e_args() {
  TAVREL=$(readlink -f "${2:?path to tavrel}")
  OUT=$(readlink -m "${3:?output directory}/$1") && mkdir -p "$OUT"
  # What the program keeps between runs stays with the test.
  export XDG_STATE_HOME="$OUT/state"
  rm -rf "$XDG_STATE_HOME"
}

fail() { echo "FAIL: $*" >&2; FAILURES=$((FAILURES + 1)); }
pass() { echo "ok: $*"; }
# check <condition as a string for test/[[ ]]> <what>: pass or fail.
check() { if eval "$1"; then pass "$2"; else fail "$2 ($1)"; fi; }

# Ends the test: status 1 when a check failed.
e2e_finish() {
  [ "$FAILURES" -eq 0 ] || { echo "$FAILURES check(s) failed; screenshots in $OUT" >&2; exit 1; }
  echo "all $1 checks passed; screenshots in $OUT"
  exit 0
}

# Stops at once when the program or a tool is missing.
e2e_require() {
  [ -x "$TAVREL" ] || { echo "FAIL: $TAVREL is not an executable" >&2; exit 1; }
  for tool in xdotool xwininfo xprop import convert compare openbox "$@"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing" >&2; exit 1; }
  done
}

# The display in DISPLAY, with openbox started there if no window manager
# runs; without DISPLAY an Xvfb of its own.
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
    [ -s "$OUT/xvfb.display" ] || { echo "FAIL: could not start Xvfb" >&2; exit 1; }
    export DISPLAY=":$(head -n 1 "$OUT/xvfb.display")"
  fi
  unset WAYLAND_DISPLAY
  export GDK_BACKEND=x11
  export NO_AT_BRIDGE=1
  # A window manager closes windows politely (Alt+F4 asks the program).
  if ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    openbox >"$OUT/openbox.log" 2>&1 &
    OWN_PIDS+=("$!")
    for _ in $(seq 1 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break; sleep 0.1; done
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
  # xdotool gives up at once when a window it looks at vanishes meanwhile
  # (another program's, closing): it searches again until the time is up.
  local until=$((SECONDS + 20))
  WIN=""
  while [ -z "$WIN" ] && [ "$SECONDS" -lt "$until" ]; do
    WIN=$(timeout 20 xdotool search --sync --pid "$APP_PID" --onlyvisible --name '^Varn$' 2>/dev/null | head -n 1)
    [ -n "$WIN" ] || sleep 0.2
  done
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

# Waits up to $2 tenths of a second for a window of the program named $1; prints its id.
find_window() {
  local id
  for _ in $(seq 1 "${2:-150}"); do
    id=$(xdotool search --all --pid "$APP_PID" --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

# Waits up to $1 tenths of a second for the program to end; sets EXIT_STATUS.
wait_exit() {
  for _ in $(seq 1 "$1"); do
    kill -0 "$APP_PID" 2>/dev/null || { wait "$APP_PID"; EXIT_STATUS=$?; APP_PID=""; return 0; }
    sleep 0.1
  done
  return 1
}

# Asks the window manager to close window $1 (Alt+F4), again if neither the
# quit question (a window titled "Tavrel") nor the end of the program follows.
request_close() {
  for _ in 1 2 3; do
    xdotool windowactivate --sync "$1" 2>/dev/null
    sleep 0.3
    xdotool key --clearmodifiers alt+F4
    for _ in $(seq 1 30); do
      kill -0 "$APP_PID" 2>/dev/null || return 0
      [ -n "$(xdotool search --all --pid "$APP_PID" --onlyvisible --name '^Tavrel$' 2>/dev/null)" ] && return 0
      sleep 0.1
    done
  done
}

# crop <image> <x> <y> <w> <h> <out>
crop() { convert "$1" -crop "${4}x${5}+${2}+${3}" +repage "$6"; }
# Number of pixels of two pictures that differ by more than <fuzz> per cent.
differing() { compare -metric AE -fuzz "${3:-6}%" "$1" "$2" null: 2>&1 | awk '{ printf "%d\n", $1 + 0 }'; }
