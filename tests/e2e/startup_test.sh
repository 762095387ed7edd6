#!/usr/bin/env bash
# The program opens its 400 x 400 window titled with the path it was started by, and draws the
# 100 chains as grey boxes on white, fanned out from the point where every joint 1 sits.
source "$(dirname "$0")/lib.sh"
start_xvfb
start_pendula

[ "$(xdotool getwindowname "$WINDOW")" = "$PENDULA" ] || fail "window title is not $PENDULA"
geometry=$(xdotool getwindowgeometry "$WINDOW" | awk '/Geometry/ { print $2 }')
[ "$geometry" = "400x400" ] || fail "window is $geometry, not 400x400"

# Every joint 1 sits on the z axis, 1 above the eye, 25 to 35 units ahead: 14 to 19 pixels
# above the window's centre.
cx=200 cy=184
# The chains start to fall at once, so judge the first frame that reaches the screen.
for _ in $(seq 100); do
  capture start
  awk "BEGIN { exit !($(statistic start $cx $cy white) < 1) }" && break
  sleep 0.02
done
white=$(statistic start $cx $cy white)
link=$(statistic start $cx $cy link)
spread=$(statistic start $cx $cy link_spread)
centre=$(statistic start $cx $cy centre_link)
sectors=$(statistic start $cx $cy sectors)
echo "white $white link $link spread $spread centre $centre sectors $sectors"
check_that "$white > 0.5" "the background is not white"
check_that "$link > 0.05" "too few grey pixels for 2,000 boxes"
check_that "$spread <= 12" "the boxes are not grey"
check_that "$centre > 0.6" "no chains meet at the joint-1 point"
check_that "$sectors >= 14" "the chains do not fan out in every direction"

kill -0 "$APP_PID" || fail "the program died"
[ ! -s "$WORK/stderr" ] || fail "the program wrote to standard error"
echo "PASS"
