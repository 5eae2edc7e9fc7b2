# Shared by the end-to-end tests: checks, clean-up, a display, the program started and driven,
# waits for what an action brings, screenshots compared. A test calls e2e_args first.

OWN_PIDS=() APP_PID="" FAILURES=0 APP_ENV=()
# Further processes that settle waits for besides the program (a drag source, a compositor).
REST_PIDS=()

e2e_cleanup() {
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then kill "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null; fi
  for pid in "${OWN_PIDS[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${OWN_PIDS[@]}"; do wait "$pid" 2>/dev/null; done
}
trap e2e_cleanup EXIT

# e2e_args <folder> <tavrel> <outdir>: sets TAVREL and OUT (<outdir>/<folder>, made).
e2e_args() {
  TAVREL=$(readlink -f "${2:?path to tavrel}")
  OUT=$(readlink -m "${3:?output directory}/$1") && mkdir -p "$OUT"
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
  for tool in xdotool xwininfo xprop xdpyinfo import convert compare openbox "$@"; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing" >&2; exit 1; }
  done
}

# wait_for <seconds> <what> <command...>: until the command succeeds (WAITED: its output), or fails "<what>".
wait_for() {
  local limit=$1 what=$2 end=$((${EPOCHREALTIME//[!0-9]/} / 1000 + $1 * 1000))
  shift 2
  until "$@" >"$OUT/waited" 2>/dev/null; do
    [ $((${EPOCHREALTIME//[!0-9]/} / 1000)) -lt "$end" ] || { [ -z "$what" ] || fail "$what: not within $limit s"; return 1; }
    sleep 0.05
  done
  WAITED=$(<"$OUT/waited")
}
# window_of <title> [pid] [display]: a visible window so titled; wait_window <title> [seconds] [pid] [display].
window_of() {
  DISPLAY=${3:-${DISPLAY:-}} xdotool search --all --pid "${2:-$APP_PID}" --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 | grep .
}
wait_window() { wait_for "${2:-20}" "a window \"$1\"" window_of "$1" "${@:3}"; }
gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
wait_gone() { wait_for "${2:-10}" "window $1 closing" gone "$1"; }
# The main thread of the program and of REST_PIDS: its state and how often it has gone to sleep.
program_state() {
  local pid
  for pid in "$APP_PID" "${REST_PIDS[@]}"; do grep -E '^(State|voluntary_ctxt)' "/proc/$pid/task/$pid/status" 2>/dev/null; done | tr -s '\t\n' ' '
}
screen_sum() { import -window root rgb:- 2>/dev/null | md5sum; }
# Same screen (unless $1 is "program") and the program asleep since the last look.
at_rest() {
  local before=$REST
  REST="$([ "$1" = program ] || screen_sum) $(program_state)"
  [ "$REST" = "$before" ] && [[ $REST != *running* && $REST != *disk* ]]
}
# Waits until the program (and REST_PIDS) has taken in the input sent so far and the screen is still.
settle() { REST=""; wait_for 15 "rest after the last input" at_rest "${1:-screen}"; }
# The program's processor time (clock ticks) and wake-ups of all its threads over $1 s left alone.
usage() { local a b; a=($(usage_now)) && sleep "$1" && b=($(usage_now)) && echo $((b[0] - a[0])) $((b[1] - a[1])); }
usage_now() { awk '{ print $14 + $15 }' "/proc/$APP_PID/stat"; awk '/^voluntary_ctxt/ { s += $2 } END { print s }' /proc/"$APP_PID"/task/*/status; }

# e2e_xvfb <width>x<height>: an Xvfb of the test's own with a screen of that size in DISPLAY.
e2e_xvfb() {
  exec 3>"$OUT/xvfb.display"
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp >"$OUT/xvfb.log" 2>&1 &
  OWN_PIDS+=("$!")
  exec 3>&-
  wait_for 10 "Xvfb starting" test -s "$OUT/xvfb.display" || exit 1
  export DISPLAY=":$(head -n 1 "$OUT/xvfb.display")"
}
# The display in DISPLAY (else an Xvfb of its own, unless TAVREL_REQUIRE_DISPLAY), with openbox if no WM runs.
e2e_display() {
  if [ -z "${DISPLAY:-}" ] && [ "${TAVREL_REQUIRE_DISPLAY:-}" != 1 ]; then
    e2e_xvfb 1920x1080
  fi
  xdpyinfo >/dev/null 2>&1 ||
    { echo "FAIL: no display at \"${DISPLAY:-}\"${TAVREL_REQUIRE_DISPLAY:+ though the test run should provide one}" >&2; exit 1; }
  unset WAYLAND_DISPLAY
  export GDK_BACKEND=x11 NO_AT_BRIDGE=1
  if ! wm_runs; then
    openbox >"$OUT/openbox.log" 2>&1 &
    OWN_PIDS+=("$!")
    wait_for 10 "openbox starting" wm_runs || exit 1
  fi
}
wm_runs() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# The client area of window $1: x y width height.
geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /^ *Width:/ { w = $2 } /^ *Height:/ { h = $2 } END { print x, y, w, h }'
}
# The main window now: client area WX, WY (WW x WH), map pixel (0, 0) CX, CY, gadget area GX, GY.
locate() { read -r WX WY WW WH < <(geometry "$WIN"); CX=$((WX + MAP_X)) CY=$((WY + MAP_Y)) GX=$((CX - 1)) GY=$((CY - 1)); }
shot() { [ -z "${WIN:-}" ] || locate; import -window root -quality 10 "$OUT/$1.png" 2>/dev/null; }  # quick zlib level 1
# Moves the pointer to gadget-area coordinates (x, y) of the main window, wherever it is.
move() { xdotool mousemove --window "$WIN" $((MAP_X - 1 + $1)) $((MAP_Y - 1 + $2)); }
# drag <from-x> <from-y> <to-x> <to-y> <steps>: in the gadget area, each step taken in before the next.
drag() {
  move "$1" "$2" && settle program && xdotool mousedown 1 && settle program
  for ((i = 1; i <= $5; i++)); do move $(($1 + ($3 - $1) * i / $5)) $(($2 + ($4 - $2) * i / $5)) && settle program; done
  xdotool mouseup 1 && settle
}
# run_app <log> [arguments...]: $TAVREL in $OUT with APP_ENV (APP_PID); stop_app [signal] (EXIT_STATUS).
run_app() { (cd "$OUT" && exec env "${APP_ENV[@]}" "$TAVREL" "${@:2}") >"$OUT/$1.out" 2>"$OUT/$1.err" </dev/null & APP_PID=$!; }
stop_app() { kill "-${1:-TERM}" "$APP_PID" 2>/dev/null; wait "$APP_PID" 2>/dev/null; EXIT_STATUS=$? APP_PID=""; }
# e2e_launch [arguments...]: run_app, its window "Varn" (WIN) at (40, 40); MAP_X, MAP_Y: 0.
e2e_launch() {
  run_app tavrel "$@"
  wait_window Varn || exit 1
  WIN=$WAITED MAP_X=0 MAP_Y=0
  timeout 10 xdotool windowactivate --sync "$WIN" windowmove --sync "$WIN" 40 40 2>/dev/null
}
# e2e_restart: the program started again, its window at (40, 40), at rest (a question shown or not).
e2e_restart() {
  run_app tavrel && wait_window Varn && WIN=$WAITED || return 1
  timeout 10 xdotool windowmove --sync "$WIN" 40 40 2>/dev/null
  settle program
}
# e2e_copy: TAVREL a copy in $OUT/program (PROG; DATA the original), as dialogs write "players.xml" there.
e2e_copy() {
  PROG="$OUT/program" DATA=$(dirname "$TAVREL")
  rm -rf "$PROG" && mkdir -p "$PROG" && cp -r "$TAVREL" "$DATA"/{*.xml,*.gxml,pics,players} "$PROG"/ && TAVREL="$PROG/tavrel"
}
# e2e_start <map picture> [arguments...]: e2e_launch, the map waited for; MAP_X, MAP_Y its corner.
e2e_start() {
  e2e_launch "${@:2}"
  convert "$1" -crop 120x80+300+300 +repage "$OUT/probe-map.png"
  wait_for 20 "" map_shown || { fail "the map picture is not in the window ($MATCH)"; exit 1; }
  settle; shot start
}
map_shown() {
  shot start && crop "$OUT/start.png" $((WX + 300)) $((WY + 318)) 124 103 "$OUT/probe-screen.png"
  MATCH=$(compare -metric AE -fuzz 6% -subimage-search "$OUT/probe-screen.png" "$OUT/probe-map.png" null: 2>&1)
  [[ "$MATCH" =~ ^([0-9]+)\ @\ ([0-9]+),([0-9]+) ]] && [ "${BASH_REMATCH[1]}" -lt 100 ] &&
    MAP_X=${BASH_REMATCH[2]} MAP_Y=$((18 + BASH_REMATCH[3]))
}

# A shown menu of the program (a window of the type popup or drop-down menu).
menu_of() {
  local id
  for id in $(xdotool search --all --pid "$APP_PID" --onlyvisible --name '' 2>/dev/null); do
    xprop -id "$id" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_MENU$' && { echo "$id"; return 0; }
  done
  return 1
}
# choose <keys...>: the item the keys lead to in the menu that opens; menu <keys...>: in "Spiel" (F10).
choose() { wait_for 10 "a menu" menu_of && xdotool key --clearmodifiers "$@" Return && wait_gone "$WAITED"; }
menu() { timeout 10 xdotool windowactivate --sync "$WIN" key --clearmodifiers F10 2>/dev/null; choose "$@"; }
# spiel <n>: the n-th item of the menu "Spiel" from its top.
spiel() { local keys=(); for ((i = 0; i < $1; i++)); do keys+=(Down); done; menu "${keys[@]}"; }
# save_as <name>: "Spiel speichern", the name typed into the requester; waits for $OUT/<name>.tvf.
save_as() { spiel 4 && reply 'Tavrel - Aufstellung speichern' "$1" Return 5 && wait_for 10 "$1.tvf written" test -s "$OUT/$1.tvf" && settle; }
# reply <title> <text> [key] [tries]: typed into window <title>, then the key (again each second for tries > 1).
reply() {
  wait_window "$1" || return 1
  local id=$WAITED n=${4:-1}
  timeout 10 xdotool windowactivate --sync "$id" type --delay 20 "$2" 2>/dev/null
  for ((; n > 0; n--)); do
    gone "$id" || xdotool key --clearmodifiers "${3:-Return}"
    wait_for $((n > 1 ? 1 : 10)) "" gone "$id" && return 0
  done
  fail "window \"$1\" stays open after \"$2\""
}
# set_grave <x> <y>: "Grabstein setzen" from the context menu there, the first stone, "Anna", "Falken".
set_grave() {
  move "$1" "$2" && settle program && xdotool click 3 && choose Down && settle &&
    xdotool click 1 && settle && reply Tavrel Anna && reply Tavrel Falken && settle
}
# key <keys...>: pressed in the main window.
key() { timeout 10 xdotool windowactivate --sync "$WIN" key --clearmodifiers "$@" 2>/dev/null; settle; }

# Waits up to $1 s for the program to end; sets EXIT_STATUS.
wait_exit() { wait_for "$1" "" eval '! kill -0 "$APP_PID"' && { wait "$APP_PID"; EXIT_STATUS=$? APP_PID=""; }; }

# Alt+F4 on window $1, again unless the quit question ("Tavrel") or the end follows.
request_close() {
  for _ in 1 2 3; do
    timeout 10 xdotool windowactivate --sync "$1" key --clearmodifiers alt+F4 2>/dev/null
    wait_for 3 "" eval '! kill -0 "$APP_PID" 2>/dev/null || window_of Tavrel' && return 0
  done
}

# crop <image> <x> <y> <w> <h> <out>
crop() { convert "$1" -crop "${4}x${5}+${2}+${3}" +repage "$6"; }
# Number of pixels of two pictures that differ by more than <fuzz> per cent.
differing() { compare -metric AE -fuzz "${3:-6}%" "$1" "$2" null: 2>&1 | awk '{ printf "%d\n", $1 + 0 }'; }

# page <what> <share_browser.py arguments>: one session in headless Chromium, a check as a whole.
page() {
  local what=$1 log="$OUT/$(echo "$1" | tr -c 'a-z0-9\n' '-').log"
  shift
  if timeout 240 /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/share_browser.py" "$@" >"$log" 2>&1; then
    pass "$what"
  else
    fail "$what: $(tail -n 1 "$log")"
  fi
}

# Recovery files: the one in the program's state folder; the formation part of one (before "TVRC").
recovery_file() { ls "$XDG_STATE_HOME"/tavrel/recovery-*.tvf 2>/dev/null | head -n 1 | grep .; }
formation_of() { local at; at=$(grep -obUa TVRC "$1" | tail -n 1 | cut -d: -f1) && [ -n "$at" ] && head -c "$at" "$1"; }
# le32 <number>: its four bytes, little-endian.
le32() { local v=$(($1 & 0xFFFFFFFF)) i; for i in 0 8 16 24; do printf "\\x$(printf %02x $(((v >> i) & 255)))"; done; }
