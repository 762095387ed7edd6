#!/usr/bin/env bash
# The program opens its 400 x 400 window titled with the path it was started by, draws and
# steps without a word on standard error; and its start-up frame shows the 100 chains as grey
# boxes on white, fanned out from the point where every joint 1 sits.
#
# The chains start to fall with the first idle pass, and how many passes come before the first
# frame reaches the screen depends on the machine's speed. So the picture is judged on the
# start-up frame program: the program's own start-up and drawing, with the idle handler taken out
# before the event loop runs, which says when its first frame is on the screen.
# STARTUP_PICTURE=FILE.ppm keeps a copy of the judged frame.
source "$(dirname "$0")/lib.sh"
start_xvfb
start_pendula
xdotool windowfocus --sync "$WINDOW"

[ "$(xdotool getwindowname "$WINDOW")" = "$PENDULA" ] || fail "window title is not $PENDULA"
geometry=$(xdotool getwindowgeometry "$WINDOW" | awk '/Geometry/ { print $2 }')
[ "$geometry" = "400x400" ] || fail "window is $geometry, not 400x400"
wait_for_output '^SCR: ' 1 120 || fail "no statistics within 120 s"
[ ! -s "$WORK/stderr" ] || fail "the program wrote to standard error"
# Its window goes, so that the next one is alone on the screen.
quit_with_f4

start_windowed "$STARTUP_FRAME"
wait_for_output '^start-up frame drawn$' 1 120 || fail "no start-up frame within 120 s"

# Every joint 1 sits on the z axis, 1 above the eye, 25 to 35 units ahead: 14 to 19 pixels
# above the window's centre.
cx=200 cy=184
capture start
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
[ -z "${STARTUP_PICTURE:-}" ] || cp "$WORK/start.ppm" "$STARTUP_PICTURE"

kill -0 "$APP_PID" || fail "the start-up frame program died"
[ ! -s "$WORK/stderr" ] || fail "the start-up frame program wrote to standard error"
echo "PASS"
