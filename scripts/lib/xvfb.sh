# Starts a virtual display with a small window manager when there is no display.
# Sourced; tavrel_ensure_display exports DISPLAY and stops everything on exit.

tavrel_ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n=${TAVREL_XVFB_DISPLAY:-91}
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
  TAVREL_XVFB_PID=$!
  export DISPLAY=":$n"
  local i
  for i in $(seq 1 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
  openbox >/dev/null 2>&1 &
  TAVREL_WM_PID=$!
  sleep 0.5
  trap tavrel_stop_display EXIT
}

tavrel_stop_display() {
  [ -n "${TAVREL_WM_PID:-}" ] && kill "$TAVREL_WM_PID" 2>/dev/null
  [ -n "${TAVREL_XVFB_PID:-}" ] && kill "$TAVREL_XVFB_PID" 2>/dev/null
  wait 2>/dev/null
  return 0
}
