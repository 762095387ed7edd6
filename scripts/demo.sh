#!/usr/bin/env bash
# Installs what is missing, builds pendula (Release) and starts the demo. Without a display it
# runs under a virtual X server, so the console statistics still show it running.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)" --target pendula

if [ -z "${DISPLAY:-}" ]; then
  echo "No display found: running pendula under a virtual X server (Xvfb); stop it with Ctrl-C."
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" build/app/pendula
fi
exec build/app/pendula
