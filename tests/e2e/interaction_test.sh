#!/usr/bin/env bash
# Drives the running program as a user would: the chains fall, the console reports its speed
# every 20 frames, F1 cycles the friction, the arrow keys and mouse look move the view, and F4
# ends the program with status 0 and its output complete.
source "$(dirname "$0")/lib.sh"
start_xvfb
start_pendula
xdotool windowfocus --sync "$WINDOW"

# Two pairs of statistics lines show that frames are drawn and counted.
wait_for_output '^SCR: ' 2 120 || fail "no statistics after 120 s"

# Waits until the program has drawn $1 more statistics pairs than it has printed so far, 20
# frames a pair: a fixed count of frames and of simulated time, whatever the machine's speed.
wait_for_frames() {
  local printed
  printed=$(output_lines '^SCR: ')
  wait_for_output '^SCR: ' $((printed + $1)) 120 || fail "no frames drawn in 120 s ($2)"
}

# Presses the keys, then F1 three times, which takes the friction round its whole cycle back to
# 5 and prints three lines; waits for the lines, which say that the keys before them have been
# handled too, then for 40 frames drawn since, so that the screen shows what the keys did.
friction_cycles=0
press_keys_and_wait_for_frames() {
  friction_cycles=$((friction_cycles + 1))
  xdotool key --delay 20 "$@" F1 F1 F1
  wait_for_output '^friction coefficient = ' $((3 * friction_cycles)) 120 ||
    fail "no friction lines within 120 s of the keys $*"
  wait_for_frames 2 "after the keys $*"
}

# The chains fall: the picture changes over 80 frames (400 passes, 4.8 simulated seconds).
capture before
wait_for_frames 4 "while the chains fall"
capture after
moved=$("$PROBE" difference "$WORK/before.ppm" "$WORK/after.ppm")
check_that "$moved > 0.01" "the picture did not change in 80 frames"

# The camera moves 40 units to the right: the chains, at most 10 units from the axis, leave the
# view; 40 units back to the left they are there again.
press_keys_and_wait_for_frames $(printf 'Right %.0s' $(seq 40))
capture right
check_that "$(statistic right 200 184 white) > 0.999" "the chains are still in view after moving right"
press_keys_and_wait_for_frames $(printf 'Left %.0s' $(seq 40))
capture back
check_that "$(statistic back 200 184 link) > 0.02" "the chains did not come back into view"

# Mouse look on, the pointer 628 pixels right of the reference point: the next idle pass turns
# the camera by pi, away from the chains, and puts the pointer back at the reference point, where
# it turns no further; the picture is read until it shows the turn. Mouse look off again leaves
# the view where it turned to.
press_keys_and_wait_for_frames Insert
xdotool mousemove 828 200
turned_away=0
for _ in $(seq 1200); do
  capture turned
  if awk "BEGIN { exit !($(statistic turned 200 184 white) > 0.999) }"; then
    turned_away=1
    break
  fi
  kill -0 "$APP_PID" 2>/dev/null || fail "the program ended while mouse look was on"
  sleep 0.1
done
[ "$turned_away" -eq 1 ] || fail "mouse look did not turn the view away within 120 s"
press_keys_and_wait_for_frames Insert
capture turned
check_that "$(statistic turned 200 184 white) > 0.999" "mouse look off turned the view back"

quit_with_f4

# The output: statistics in pairs, frame rate first, exactly formatted, and the friction lines
# 0, 1, 5 for every cycle of F1 presses, in order, all written before the end.
grep -v '^Frame rate: \|^SCR: ' "$WORK/stdout" >"$WORK/friction"
for _ in $(seq "$friction_cycles"); do
  printf 'friction coefficient = 0\nfriction coefficient = 1\nfriction coefficient = 5\n'
done >"$WORK/expected"
diff "$WORK/expected" "$WORK/friction" || fail "the friction lines are not 0, 1, 5 over and over"
number='([0-9]+(\.[0-9]+)?(e[-+][0-9]+)?|inf)'
grep '^Frame rate: \|^SCR: ' "$WORK/stdout" | awk -v number="$number" '
  NR % 2 == 1 && $0 !~ "^Frame rate: " number "fps$" { print "bad line " NR ": " $0; bad = 1 }
  NR % 2 == 0 && $0 !~ "^SCR: " number "$" { print "bad line " NR ": " $0; bad = 1 }
  END { if (NR % 2 != 0) { print "unpaired statistics"; bad = 1 } exit bad }' ||
  fail "statistics lines are not in frame-rate/SCR pairs of the exact format"
[ ! -s "$WORK/stderr" ] || fail "the program wrote to standard error"
echo "PASS: $(grep -c '^SCR: ' "$WORK/stdout") statistics pairs, $(tail -n 2 "$WORK/stdout" | tr '\n' ' ')"
