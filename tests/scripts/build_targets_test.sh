#!/usr/bin/env bash
# scripts/build-targets.sh, as scripts/demo.sh uses it to decide whether to build the Python
# module: under pipefail it must find targets that lie in the middle of the build's listing (the
# program always; the module where this build defines it) and no target that is not there.
# Usage: build_targets_test.sh BUILD_DIR HAS_PYTHON_MODULE(ON|OFF)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=scripts/build-targets.sh
source "$root/scripts/build-targets.sh"
build=$1 has_module=$2

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

build_has_target "$build" pendula || fail "the program's target pendula is not found"
if [ "$has_module" = ON ]; then
  build_has_target "$build" pendula_python || fail "the module's target pendula_python is not found"
elif build_has_target "$build" pendula_python; then
  fail "pendula_python is found in a build that does not define it"
fi
if build_has_target "$build" pendula_no_such_target; then
  fail "a target that does not exist is found"
fi
echo "the build's targets are found, under pipefail"
