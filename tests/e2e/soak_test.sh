#!/usr/bin/env bash
# A minute of hostile use: a random mix of every special key but F4, special keys the program
# ignores, ordinary character keys, mouse look switched on and off with the pointer thrown to
# the screen's corners, and the window resized down to one pixel, hidden and shown again. The
# program must stay alive, keep printing its statistics, write nothing to standard error, and
# not creep in memory: after a first round has visited every window size (the GL driver's
# buffers grow once), a second round of the same input may add less than 1 MiB of resident
# memory, or, if it adds more, a third round must not add that much again. F4 then ends it with
# status 0.
# SOAK_SEED repeats a run; SOAK_ROUND_SECONDS shortens or lengthens each of the two rounds.
source "$(dirname "$0")/lib.sh"
SEED=${SOAK_SEED:-$(date +%s)}
ROUND_SECONDS=${SOAK_ROUND_SECONDS:-30}
RSS_GROWTH_LIMIT_KB=1024
RANDOM=$SEED
echo "soak seed $SEED, two rounds of $ROUND_SECONDS s"

start_xvfb
start_pendula
xdotool windowfocus --sync "$WINDOW"

last_action=none
handled_keys=(Up Down Left Right F1 F8 F9 F10 Insert)
ignored_special_keys=(F2 F3 F5 F6 F7 F11 F12 Home End Prior Next Delete Pause Num_Lock)
character_keys=(a z q Q 1 space Return Escape Tab BackSpace minus ctrl+c)
corners=("0 0" "1023 0" "0 767" "1023 767" "512 384" "200 200")
# Width by height; the server refuses 0, so 1 stands for an empty window.
sizes=("400 400" "1 1" "1024 1" "1 768" "800 400" "1024 768" "2000 1500" "37 911" "400 400")

pick() {
  local -n list=$1
  echo "${list[RANDOM % ${#list[@]}]}"
}

# While frames are drawn, resident memory swings by some 4 MB within every frame as the GL driver
# maps and unmaps its per-frame buffers, so a single reading lands anywhere in that swing. The
# floor, the least of the readings over many frames, leaves the swing out and keeps within a few
# hundred kB from one reading to the next; a creep raises it like any other reading. It is read
# for a second and at least 40 frames (two statistics pairs), however slowly they come.
resident_kb() {
  local floor="" now readings=0 printed
  printed=$(statistics_lines)
  while [ $readings -lt 20 ] || [ "$(statistics_lines)" -lt $((printed + 2)) ]; do
    now=$(awk '/^VmRSS:/ { print $2 }' "/proc/$APP_PID/status")
    if [ -z "$floor" ] || [ "$now" -lt "$floor" ]; then floor=$now; fi
    readings=$((readings + 1))
    [ $readings -lt 2400 ] || fail "no frames drawn in 120 s of reading the resident memory"
    sleep 0.05
  done
  echo "$floor"
}

alive() {
  kill -0 "$APP_PID" 2>/dev/null && return
  local status=0
  wait "$APP_PID" || status=$?
  APP_PID=""
  fail "the program died with status $status after: $last_action (seed $SEED)"
}

statistics_lines() {
  grep -c '^SCR: ' "$WORK/stdout" || true
}

resize() {
  # shellcheck disable=SC2086 # the size is two words on purpose
  xdotool windowsize "$WINDOW" $1 2>>"$WORK/xdotool.log" || true
}

hide_and_show() {
  # No window manager runs here, so unmapping is what minimising does to the program.
  xdotool windowunmap --sync "$WINDOW"
  sleep 0.2
  xdotool windowmap --sync "$WINDOW"
  xdotool windowfocus --sync "$WINDOW" 2>>"$WORK/xdotool.log" || true
}

mouse_look_throw() {
  xdotool key Insert
  for _ in 1 2 3; do
    # shellcheck disable=SC2046
    xdotool mousemove $(pick corners)
    sleep 0.05
  done
  xdotool key Insert
}

# One round: every window size once in random order, with random input between and after.
round() {
  local deadline=$((SECONDS + ROUND_SECONDS))
  local order=("${sizes[@]}")
  for ((i = ${#order[@]} - 1; i > 0; i--)); do
    local j=$((RANDOM % (i + 1)))
    local t=${order[i]}
    order[i]=${order[j]}
    order[j]=$t
  done
  local next_size=0
  local before
  before=$(statistics_lines)
  while [ $SECONDS -lt $deadline ] || [ $next_size -lt ${#order[@]} ]; do
    local action=$((RANDOM % 10))
    last_action="action $action"
    case $action in
      0 | 1 | 2) xdotool key --delay 5 "$(pick handled_keys)" "$(pick handled_keys)" ;;
      3)
        last_action=$(pick ignored_special_keys)
        xdotool key "$last_action"
        ;;
      4)
        last_action=$(pick character_keys)
        xdotool key "$last_action"
        ;;
      5) mouse_look_throw ;;
      6 | 7)
        if [ $next_size -lt ${#order[@]} ]; then
          last_action="resize to ${order[next_size]}"
          resize "${order[next_size]}"
          next_size=$((next_size + 1))
        else
          resize "$(pick sizes)"
        fi
        ;;
      8) hide_and_show ;;
      9) sleep 0.2 ;;
    esac
    alive
  done
  # Back to the first size, so that both rounds end alike, then let frames through at that size
  # (two statistics pairs, 40 frames) before anyone reads the resident memory: until the driver
  # has drawn at the new size it may still hold the buffers of the last one.
  resize "400 400"
  xdotool windowfocus --sync "$WINDOW" 2>>"$WORK/xdotool.log" || true
  local resized
  resized=$(statistics_lines)
  local deadline=$((SECONDS + 120))
  while [ "$(statistics_lines)" -le "$((resized + 1))" ] && [ $SECONDS -lt $deadline ]; do
    alive
    sleep 0.1
  done
  alive
  [ "$(statistics_lines)" -gt "$((before + 1))" ] || fail "no statistics printed during a round"
  [ "$(statistics_lines)" -gt "$((resized + 1))" ] || fail "no frames drawn after the last resize"
}

wait_for_output '^SCR: ' 2 120 || fail "no statistics after 120 s"
rss_start=$(resident_kb)
round
rss_round1=$(resident_kb)
round
rss_round2=$(resident_kb)
echo "resident memory: start $rss_start kB, after round 1 $rss_round1 kB, after round 2 $rss_round2 kB"
if [ -n "${PENDULA_E2E_SANITIZED:-}" ]; then
  # The sanitizers keep freed blocks in quarantine and map shadow memory as they go.
  echo "resident memory not judged in a sanitizer build"
elif [ $((rss_round2 - rss_round1)) -ge $RSS_GROWTH_LIMIT_KB ]; then
  # The floor still shifts by up to 2 MB now and then as the driver's buffers settle in other
  # places of the heap, once; a creep grows it again in every round, so one more round decides.
  round
  rss_round3=$(resident_kb)
  echo "after round 3 $rss_round3 kB"
  check_that "$rss_round3 - $rss_round2 < $RSS_GROWTH_LIMIT_KB" \
    "resident memory grew by $((rss_round2 - rss_round1)) kB in the second round and by \
$((rss_round3 - rss_round2)) kB in the third (seed $SEED)"
fi

quit_with_f4 "(seed $SEED)"
[ ! -s "$WORK/stderr" ] || fail "the program wrote to standard error (seed $SEED)"
echo "PASS: $(statistics_lines) statistics pairs, $(grep -c '^friction' "$WORK/stdout") friction lines"
