#!/usr/bin/env bash
# Drives the running program as a user would: the chains fall, the console reports its speed
# every 20 frames, F1 cycles the friction, the arrow keys and mouse look move the view, and F4
# ends the program with status 0 and its output complete.
source "$(dirname "$0")/lib.sh"
start_xvfb
start_pendula
xdotool windowfocus --sync "$WINDOW"

# Two pairs of statistics lines show that frames are drawn and counted.
for _ in $(seq 600); do
  [ "$(grep -c '^SCR: ' "$WORK/stdout")" -ge 2 ] && break
  sleep 0.1
done
[ "$(grep -c '^SCR: ' "$WORK/stdout")" -ge 2 ] || fail "no statistics after 60 s"

# The chains fall: the picture changes over time.
capture before
sleep 2
capture after
moved=$("$PROBE" difference "$WORK/before.ppm" "$WORK/after.ppm")
check_that "$moved > 0.01" "the picture did not change in 2 s"

xdotool key --delay 100 F1 F1 F1
sleep 0.5

# The camera moves 40 units to the right: the chains, at most 10 units from the axis, leave the
# view; 40 units back to the left they are there again.
xdotool key --delay 20 $(printf 'Right %.0s' $(seq 40))
sleep 0.5
capture right
check_that "$(statistic right 200 184 white) > 0.999" "the chains are still in view after moving right"
xdotool key --delay 20 $(printf 'Left %.0s' $(seq 40))
sleep 0.5
capture back
check_that "$(statistic back 200 184 link) > 0.02" "the chains did not come back into view"

# Mouse look on, the pointer 628 pixels right of the reference point: the camera turns by pi
# and looks away from the chains. Mouse look off again leaves the view where it turned to.
xdotool key Insert
sleep 0.3
xdotool mousemove 828 200
sleep 0.5
xdotool key Insert
sleep 0.3
capture turned
check_that "$(statistic turned 200 184 white) > 0.999" "mouse look did not turn the view away"

quit_with_f4

# The output: statistics in pairs, frame rate first, exactly formatted, and the three friction
# lines in order, all written before the end.
grep -v '^Frame rate: \|^SCR: ' "$WORK/stdout" >"$WORK/friction"
printf 'friction coefficient = 0\nfriction coefficient = 1\nfriction coefficient = 5\n' >"$WORK/expected"
diff "$WORK/expected" "$WORK/friction" || fail "the friction lines are not 0, 1, 5"
number='([0-9]+(\.[0-9]+)?(e[-+][0-9]+)?|inf)'
grep '^Frame rate: \|^SCR: ' "$WORK/stdout" | awk -v number="$number" '
  NR % 2 == 1 && $0 !~ "^Frame rate: " number "fps$" { print "bad line " NR ": " $0; bad = 1 }
  NR % 2 == 0 && $0 !~ "^SCR: " number "$" { print "bad line " NR ": " $0; bad = 1 }
  END { if (NR % 2 != 0) { print "unpaired statistics"; bad = 1 } exit bad }' ||
  fail "statistics lines are not in frame-rate/SCR pairs of the exact format"
[ ! -s "$WORK/stderr" ] || fail "the program wrote to standard error"
echo "PASS: $(grep -c '^SCR: ' "$WORK/stdout") statistics pairs, $(tail -n 2 "$WORK/stdout" | tr '\n' ' ')"
