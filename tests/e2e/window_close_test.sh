#!/usr/bin/env bash
# Closing the window as a window manager's close button does (the WM_DELETE_WINDOW message) ends
# the program at once with status 0, its output complete and nothing on standard error.
source "$(dirname "$0")/lib.sh"
start_xvfb
start_pendula

# The close must reach a program that is drawing and stepping in its event loop.
wait_for_output '^SCR: ' 1 120 || fail "no statistics after 120 s"
"$CLOSER" "$WINDOW" || fail "the close message could not be sent"
expect_clean_exit "Closing the window"

[ ! -s "$WORK/stderr" ] || fail "the program wrote to standard error"
[ "$(output_lines '^Frame rate: ')" -eq "$(output_lines '^SCR: ')" ] ||
  fail "the statistics pairs are not complete"
echo "PASS: ended with status 0 after $(output_lines '^SCR: ') statistics pairs"
