#!/usr/bin/env bash
# Without an X display that it can open, whether DISPLAY is unset, names a display that is not
# there, or the -display option does, the program ends at once with status 1 and one line on
# standard error that names DISPLAY and says how to run headless; it looks at the display the
# toolkit would open, so -display naming a working display starts it even without DISPLAY.
source "$(dirname "$0")/lib.sh"
start_xvfb

# A display number that no server here uses.
absent=4000
while [ -e "/tmp/.X11-unix/X$absent" ] || [ -e "/tmp/.X$absent-lock" ]; do absent=$((absent + 1)); done

# Runs the program with env(1) arguments $1 (a word list) and program arguments after it, and
# checks the refusal. timeout ends a program that starts after all; it is long, for a sanitized
# program on a loaded machine.
expect_refusal() {
  local environment=$1 status=0
  shift
  # shellcheck disable=SC2086 # the environment changes are a word list on purpose
  timeout 60 env $environment LD_PRELOAD="${PENDULA_KEEP_LOADED:-}" "$PENDULA" "$@" \
    >"$WORK/stdout" 2>"$WORK/stderr" || status=$?
  local case="with '$environment' and arguments '$*'"
  [ "$status" -eq 1 ] || fail "status $status, not 1, $case"
  [ ! -s "$WORK/stdout" ] || fail "the program wrote to standard output $case"
  grep -q 'DISPLAY' "$WORK/stderr" && grep -q 'scripts/demo.sh' "$WORK/stderr" &&
    grep -q "xvfb-run -a $PENDULA" "$WORK/stderr" ||
    fail "no line naming DISPLAY, scripts/demo.sh and xvfb-run on standard error $case"
  [ "$(wc -l <"$WORK/stderr")" -eq 1 ] || fail "more than one line on standard error $case"
}

expect_refusal "-u DISPLAY"
expect_refusal "DISPLAY=:$absent"
grep -q "\":$absent\"" "$WORK/stderr" || fail "the line does not name the display :$absent"
expect_refusal "DISPLAY=$DISPLAY" -display ":$absent"
grep -q "\":$absent\" given with -display" "$WORK/stderr" || fail "the line does not name -display"

PENDULA_ENV=(-u DISPLAY)
start_pendula -display "$DISPLAY"
xdotool windowfocus --sync "$WINDOW"
wait_for_output '^SCR: ' 1 120 || fail "no statistics after 120 s with -display and no DISPLAY"
quit_with_f4 "(started with -display and no DISPLAY)"
[ ! -s "$WORK/stderr" ] || fail "the program wrote to standard error"
echo "PASS"
