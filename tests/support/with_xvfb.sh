#!/usr/bin/env bash
# Runs a command with DISPLAY set to a private virtual X server, which ends with the command.
set -euo pipefail
source "$(dirname "$0")/xvfb.sh"
work=$(mktemp -d)
XVFB_PID=""
trap 'stop_xvfb; rm -rf "$work"' EXIT
launch_xvfb "$work" || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
# PENDULA_KEEP_LOADED (sanitizer runs) names libraries to preload, see tests/lsan.supp.
LD_PRELOAD="${PENDULA_KEEP_LOADED:-}" "$@"
