#!/usr/bin/env bash
# Installs what is missing, builds pendula with warnings as errors and runs every test: the unit
# tests and the end-to-end tests, which start the real program under a virtual X server.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Release -DPENDULA_WERROR=ON >/dev/null
cmake --build build-test -j"$(nproc)"
ctest --test-dir build-test --output-on-failure -j"$(nproc)"
