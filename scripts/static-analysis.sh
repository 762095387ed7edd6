#!/usr/bin/env bash
# clang-tidy (with the checked-in .clang-tidy) and cppcheck over pendula's own code: app/,
# viewer/, dynamics/, bench/, examples/, python/ and tests/. Either reporting anything fails the
# run.
# Usage: scripts/static-analysis.sh BUILD_DIR   (a configured build with compile_commands.json)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: $0 BUILD_DIR}
[ -f "$build/compile_commands.json" ] || { echo "no $build/compile_commands.json" >&2; exit 1; }
jobs=$(nproc)
own='^'"$PWD"'/(app|viewer|dynamics|bench|examples|python|tests)/'
status=0

echo "clang-tidy:"
mapfile -t sources < <(grep -oE '"file": *"[^"]+"' "$build/compile_commands.json" |
  sed -E 's/"file": *"([^"]+)"/\1/' | grep -E "$own" | sort -u)
printf '%s\n' "${sources[@]}" |
  xargs -P "$jobs" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null >"$build/clang-tidy.log" || true
if grep -E 'warning:|error:' "$build/clang-tidy.log"; then
  echo "clang-tidy reported the findings above" >&2
  status=1
else
  echo "  ${#sources[@]} files, nothing reported"
fi

echo "cppcheck:"
cppcheck --quiet --error-exitcode=1 --enable=warning,performance,portability --std=c++17 \
  --library=googletest --library=opengl --inline-suppr --suppress=missingIncludeSystem \
  --suppressions-list=scripts/cppcheck-suppressions.txt -j "$jobs" -I . \
  app viewer dynamics bench examples python tests 2>"$build/cppcheck.log" || true
if [ -s "$build/cppcheck.log" ]; then
  cat "$build/cppcheck.log"
  echo "cppcheck reported the findings above" >&2
  status=1
else
  echo "  nothing reported"
fi
exit $status
