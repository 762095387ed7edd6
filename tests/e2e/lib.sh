# Shared set-up for the end-to-end tests: a private virtual X server, the program under test,
# and clean-up on every exit. Source it with the program, the screen probe, the window closer,
# the start-up frame (the program's start-up drawn and held still) and the idle gate (a library
# that holds back the program's idle passes until SIGUSR1) as $1 to $5.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../support/xvfb.sh"

PENDULA=$1
PROBE=$2
CLOSER=$3
STARTUP_FRAME=$4
IDLE_GATE=$5
WORK=$(mktemp -d)
XVFB_PID=""
APP_PID=""

cleanup() {
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then kill "$APP_PID" 2>/dev/null || true; fi
  stop_xvfb
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  for f in "$WORK"/stdout "$WORK"/stderr "$WORK"/xvfb.log; do
    [ -f "$f" ] && { echo "--- $(basename "$f") (last lines)" >&2; tail -n 20 "$f" >&2; }
  done
  exit 1
}

# Starts Xvfb on the first free display number and exports DISPLAY.
start_xvfb() {
  launch_xvfb "$WORK" || fail "Xvfb did not start"
}

# Starts the program with the given arguments, its standard output and error captured, and waits
# for its window. PENDULA_ENV holds arguments for env(1) that change the program's environment
# alone, e.g. PENDULA_ENV=(-u DISPLAY); the test's own DISPLAY stays for the X clients.
# PENDULA_KEEP_LOADED (sanitizer runs) names libraries to preload, see tests/lsan.supp;
# PENDULA_PRELOAD names more, e.g. the idle gate.
PENDULA_ENV=()
PENDULA_PRELOAD=""
start_pendula() {
  start_windowed "$PENDULA" "$@"
}

# The same for any program whose window is titled with the path it was started by.
start_windowed() {
  local program=$1
  shift
  env "${PENDULA_ENV[@]}" LD_PRELOAD="${PENDULA_KEEP_LOADED:-} $PENDULA_PRELOAD" "$program" "$@" \
    >"$WORK/stdout" 2>"$WORK/stderr" &
  APP_PID=$!
  WINDOW=$(timeout 120 xdotool search --sync --onlyvisible --name "^$(printf '%s' "$program" | sed 's/[.[\*^$()+?{|]/\\&/g')\$" | head -n 1) ||
    fail "no window titled $program appeared"
}

# Counts the lines of the program's standard output that match the extended regular expression.
output_lines() {
  grep -cE "$1" "$WORK/stdout" || true
}

# Waits until at least $2 lines of standard output match the extended regular expression $1, for
# at most $3 seconds; fails if the program ends first. Returns 1 if the lines did not come.
wait_for_output() {
  local deadline=$((SECONDS + $3))
  while [ "$(output_lines "$1")" -lt "$2" ]; do
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended while waiting for output: $1"
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

# Saves the window area of the screen to $WORK/$1.ppm.
capture() {
  "$PROBE" capture "$WORK/$1.ppm" || fail "screen capture failed"
}

# Prints the value of one statistic of a capture analysed around (cx, cy).
statistic() {
  "$PROBE" analyse "$WORK/$1.ppm" "$2" "$3" | awk -v name="$4" '$1 == name { print $2 }'
}

# True when awk evaluates the comparison as true, e.g. check_that "0.5 > 0.3" "message".
check_that() {
  awk "BEGIN { exit !($1) }" || fail "$2 ($1)"
}

# Waits for the program to end; fails unless it ends with status 0 within 60 s, which leaves
# room for a sanitized program's leak check at exit on a loaded machine. The words name what
# should have ended it, for the failure message.
expect_clean_exit() {
  local deadline=$((SECONDS + 60))
  while kill -0 "$APP_PID" 2>/dev/null && [ $SECONDS -lt $deadline ]; do
    sleep 0.1
  done
  kill -0 "$APP_PID" 2>/dev/null && fail "$* did not end the program"
  local status=0
  wait "$APP_PID" || status=$?
  APP_PID=""
  [ "$status" -eq 0 ] || fail "$* ended the program with status $status"
}

# Presses F4 and waits for the program to end; fails unless it ends with status 0.
# Extra words go into the failure message.
quit_with_f4() {
  xdotool key F4
  expect_clean_exit F4 "$@"
}
