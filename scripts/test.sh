#!/usr/bin/env bash
# Installs what is missing and runs every check: the Release build with warnings as errors and
# all its tests (unit and end-to-end, the latter starting the real program under a virtual X
# server); clang-tidy and cppcheck over the project's own code; then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, leak detection on, and all tests again.
# Every stage runs even when an earlier one fails, so one run shows every problem.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
started=$SECONDS
failed=()

stage() {
  local name=$1
  shift
  echo "== $name"
  local stage_started=$SECONDS
  if "$@"; then
    echo "== $name: passed in $((SECONDS - stage_started)) s"
  else
    echo "== $name: FAILED after $((SECONDS - stage_started)) s"
    failed+=("$name")
  fi
}

release() {
  cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Release -DPENDULA_WERROR=ON >/dev/null &&
    cmake --build build-test -j"$jobs" &&
    ctest --test-dir build-test --output-on-failure -j"$jobs"
}

sanitized() {
  cmake -S . -B build-test-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPENDULA_SANITIZE=ON \
    -DPENDULA_WERROR=ON >/dev/null &&
    cmake --build build-test-sanitize -j"$jobs" &&
    (
      # shellcheck source=scripts/sanitizer-env.sh
      source scripts/sanitizer-env.sh
      ctest --test-dir build-test-sanitize --output-on-failure -j"$jobs"
    )
}

scripts/install-deps.sh --test || exit 1
stage "Release build and tests" release
stage "Static analysis" scripts/static-analysis.sh build-test
stage "Sanitizer build and tests" sanitized

echo "== $((SECONDS - started)) s in all"
if [ ${#failed[@]} -gt 0 ]; then
  printf 'FAILED: %s\n' "${failed[@]}"
  exit 1
fi
echo "All checks passed"
