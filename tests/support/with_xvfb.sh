#!/usr/bin/env bash
# Runs a command with DISPLAY set to a private virtual X server, which ends with the command.
# -displayfd picks a free display number, so runs in parallel do not collide.
set -euo pipefail
work=$(mktemp -d)
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
exec 3>&-
trap 'kill "$xvfb" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"
# PENDULA_KEEP_LOADED (sanitizer runs) names libraries to preload, see tests/lsan.supp.
LD_PRELOAD="${PENDULA_KEEP_LOADED:-}" "$@"
