# Source it. launch_xvfb DIR starts a private virtual X server, keeping its display number and
# log in DIR, sets XVFB_PID and exports DISPLAY; it fails if the server does not come up.
# -displayfd picks a free display number, so runs in parallel do not collide.
launch_xvfb() {
  local dir=$1
  exec 3>"$dir/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
  XVFB_PID=$!
  exec 3>&-
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.05
  done
  [ -s "$dir/display" ] || return 1
  export DISPLAY=":$(head -n 1 "$dir/display")"
}
