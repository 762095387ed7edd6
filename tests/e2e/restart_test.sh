#!/usr/bin/env bash
# Without friction and with the torque driving them (F1 and F10 before the first idle pass),
# chains spin up until the fixed step cannot follow them. Each such chain is restarted from its
# start-up state with the line "chain <i> restarted", and the program goes on: ten seconds on it
# is still drawing and printing statistics, it has written nothing to standard error, and F4 ends
# it with status 0.
#
# Whether and when a chain overflows depends on the pass at which the keys come: from the start
# the first chain overflows 88 passes after them, from pass 500 279 passes after, from pass 1000
# none in 30,000 passes. So the idle gate holds the passes back until both keys are handled.
source "$(dirname "$0")/lib.sh"
RUN_SECONDS=10
restart_line='^chain [0-9]+ restarted$'

start_xvfb
PENDULA_PRELOAD=$IDLE_GATE
start_pendula
xdotool windowfocus --sync "$WINDOW"
# F1 last: its line says that F10 before it has been handled too.
xdotool key F10 F1
wait_for_output '^friction coefficient = 0$' 1 120 || fail "F1 was not handled within 120 s"
kill -USR1 "$APP_PID"
keys_pressed=$SECONDS
keys_pressed_at=$(date +%s.%N)

# The wait is long for a slow (sanitized, loaded) machine; on time it ends at the first line.
wait_for_output "$restart_line" 1 120 || fail "no chain was restarted within 120 s of F1 and F10"
first_restart_after=$(awk -v from="$keys_pressed_at" -v to="$(date +%s.%N)" \
  'BEGIN { printf "%.1f", to - from }')
while [ $((SECONDS - keys_pressed)) -lt $RUN_SECONDS ]; do
  kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"
  sleep 0.5
done

# Statistics keep coming after the first restart: two more pairs at least.
statistics_after_restart() {
  awk -v line="$restart_line" '$0 ~ line { seen = 1 } seen && /^SCR: / { n++ } END { print n + 0 }' \
    "$WORK/stdout"
}
deadline=$((SECONDS + 120))
while [ "$(statistics_after_restart)" -lt 2 ]; do
  kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"
  [ $SECONDS -lt $deadline ] || fail "no statistics after the first restart in 120 s"
  sleep 0.1
done

quit_with_f4
[ ! -s "$WORK/stderr" ] || fail "the program wrote to standard error"

# Every line is a statistic, the friction line of F1, or a restart line naming a chain 0..99.
grep -vE '^(Frame rate: .*fps|SCR: .*|friction coefficient = 0)$' "$WORK/stdout" |
  grep -vE '^chain ([0-9]|[1-9][0-9]) restarted$' && fail "unexpected lines on standard output"
echo "PASS: $(output_lines "$restart_line") restarts, the first $first_restart_after s after" \
  "F1 and F10; $(output_lines '^SCR: ') statistics pairs"
