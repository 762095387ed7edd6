#!/usr/bin/env bash
# clang-tidy (with the checked-in .clang-tidy) and cppcheck over pendula's own code: app/,
# viewer/, dynamics/, bench/, examples/, python/ and tests/. Either reporting anything fails the
# run, and so does a tool that is missing or does not run through: an analysis that did not
# happen must not read as one that found nothing.
# Usage: scripts/static-analysis.sh BUILD_DIR   (a configured build with compile_commands.json)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: $0 BUILD_DIR}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json" >&2; exit 1; }
jobs=$(nproc)
own='^'"$PWD"'/(app|viewer|dynamics|bench|examples|python|tests)/'
status=0

# True when the tool is installed and answers --version; otherwise says which and what is wrong.
tool_runs() {
  if ! command -v "$1" >/dev/null; then
    echo "$1 is not installed (scripts/install-deps.sh --test installs it)" >&2
    return 1
  fi
  if ! "$1" --version >/dev/null 2>&1; then
    echo "$1 does not run: '$1 --version' failed" >&2
    return 1
  fi
}

# The end of what a tool wrote besides its findings, and the failure, naming the tool.
did_not_run_through() {
  local tool=$1 tool_status=$2 log=$3
  tail -n 20 "$log" >&2
  echo "$tool ended with status $tool_status without reporting findings: it did not run through" >&2
}

clang_tidy() {
  mapfile -t sources < <(grep -oE '"file": *"[^"]+"' "$build/compile_commands.json" |
    sed -E 's/"file": *"([^"]+)"/\1/' | grep -E "$own" | sort -u)
  if [ ${#sources[@]} -eq 0 ]; then
    echo "clang-tidy: no source of pendula's own in $build/compile_commands.json" >&2
    return 1
  fi
  local tidy_status=0
  # With every warning an error, findings end clang-tidy with status 1 too; they are told apart
  # from a failure to run by the log.
  printf '%s\n' "${sources[@]}" |
    xargs -P "$jobs" -n 4 clang-tidy -p "$build" --quiet \
      >"$build/clang-tidy.log" 2>"$build/clang-tidy.stderr" || tidy_status=$?
  if grep -E 'warning:|error:' "$build/clang-tidy.log"; then
    echo "clang-tidy reported the findings above" >&2
    return 1
  fi
  if [ "$tidy_status" -ne 0 ]; then
    did_not_run_through clang-tidy "$tidy_status" "$build/clang-tidy.stderr"
    return 1
  fi
  echo "  ${#sources[@]} files, nothing reported"
}

cppcheck_run() {
  local check_status=0
  cppcheck --quiet --error-exitcode=1 --enable=warning,performance,portability --std=c++17 \
    --library=googletest --library=opengl --inline-suppr --suppress=missingIncludeSystem \
    --suppressions-list=scripts/cppcheck-suppressions.txt -j "$jobs" -I . \
    app viewer dynamics bench examples python tests \
    >"$build/cppcheck.stdout" 2>"$build/cppcheck.log" || check_status=$?
  if [ -s "$build/cppcheck.log" ]; then
    cat "$build/cppcheck.log"
    echo "cppcheck reported the findings above" >&2
    return 1
  fi
  if [ "$check_status" -ne 0 ]; then
    did_not_run_through cppcheck "$check_status" "$build/cppcheck.stdout"
    return 1
  fi
  echo "  nothing reported"
}

echo "clang-tidy:"
{ tool_runs clang-tidy && clang_tidy; } || status=1
echo "cppcheck:"
{ tool_runs cppcheck && cppcheck_run; } || status=1
exit $status
