#!/usr/bin/env bash
# Installs what is missing, builds pendula (Release), and the Python module where its packages are
# installed, and starts the demo. When no X display can be opened it runs under a virtual X
# server, so the console statistics still show it running.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/build-targets.sh
source scripts/build-targets.sh

scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
# The Python module too, when its packages are installed (scripts/install-deps.sh --test): the
# configure step then defines its target.
targets=(pendula)
if build_has_target build pendula_python; then targets+=(pendula_python); fi
cmake --build build -j"$(nproc)" --target "${targets[@]}"

echo "Keys: arrows move the camera, Insert toggles mouse look, F1 cycles the friction," \
  "F8/F9/F10 drive joint 1 with -100/0/+100 N m, F4 quits."
# xdpyinfo fails when DISPLAY is unset or names a display that cannot be opened.
if ! xdpyinfo >/dev/null 2>&1; then
  echo "No X display could be opened: running pendula under a virtual X server (Xvfb);" \
    "stop it with Ctrl-C."
  # xvfb-run adds -nolisten tcp to the server's arguments itself.
  exec xvfb-run -a -s "-screen 0 1024x768x24" build/app/pendula
fi
exec build/app/pendula
