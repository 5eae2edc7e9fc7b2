# Starts a virtual display with a small window manager when there is no display.
# Sourced; tavrel_ensure_display exports DISPLAY and stops everything on exit.

tavrel_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  # Xvfb takes the first free display number itself and writes it to fd 3: two
  # test runs started at once cannot end up on the same display.
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
  TAVREL_XVFB_PID=$!
  trap tavrel_stop_display EXIT
  if ! tavrel_wait_for test -s "$number_file"; then
    echo "Xvfb did not start" >&2
    rm -f "$number_file"
    return 0
  fi
  export DISPLAY=":$(head -n 1 "$number_file")"
  rm -f "$number_file"
  openbox >/dev/null 2>&1 &
  TAVREL_WM_PID=$!
  tavrel_wait_for eval 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' ||
    echo "openbox did not start on $DISPLAY" >&2
}

# Runs the command every 0.1 s until it succeeds, for up to 10 s.
tavrel_wait_for() {
  local i
  for i in $(seq 1 100); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

tavrel_stop_display() {
  [ -n "${TAVREL_WM_PID:-}" ] && kill "$TAVREL_WM_PID" 2>/dev/null
  [ -n "${TAVREL_XVFB_PID:-}" ] && kill "$TAVREL_XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  return 0
}
