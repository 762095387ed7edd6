# Source it. launch_xvfb DIR starts a private virtual X server, keeping its display number and
# log in DIR, sets XVFB_PID and exports DISPLAY; it fails if the server does not come up.
# -displayfd picks a free display number, so runs in parallel do not collide. stop_xvfb ends the
# server and waits until it is gone.
#
# -noreset: by default an X server resets when its last client leaves and refuses connections
# while it does. A desktop's server always has clients (the window manager at least); this one
# often has none between two steps of a test (a display probe, then the program; one xdotool
# call, then the next), and a client that came just then would be turned away.
launch_xvfb() {
  local dir=$1
  exec 3>"$dir/display"
  Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  XVFB_PID=$!
  exec 3>&-
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.05
  done
  [ -s "$dir/display" ] || return 1
  export DISPLAY=":$(head -n 1 "$dir/display")"
}

# A server told to stop gives up its lock file before it has closed its socket; waiting until it
# is gone keeps the next server started here from taking its number in between.
stop_xvfb() {
  [ -n "${XVFB_PID:-}" ] || return 0
  kill "$XVFB_PID" 2>/dev/null || true
  wait "$XVFB_PID" 2>/dev/null || true
  XVFB_PID=""
}
