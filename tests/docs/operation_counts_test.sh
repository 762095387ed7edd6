#!/usr/bin/env bash
# scripts/count-operations.cpp runs through and docs/algorithm.md quotes what it prints: for
# each of its three chains, the fits of the multiplications and of the additions and
# subtractions of ForwardDynamics in n, both in one row of the document's table, as $57n - 31$.
# Usage: operation_counts_test.sh COUNT_OPERATIONS ALGORITHM_MD
set -euo pipefail
count=$1
document=$2
output=$(mktemp)
trap 'rm -f "$output"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

status=0
"$count" >"$output" || status=$?
cat "$output"
[ "$status" -eq 0 ] || fail "$count ended with status $status"
fits=$(sed -nE 's/^  (.*[^ ]) +mul ([0-9]+n [-+] [0-9]+), add\+sub ([0-9]+n [-+] [0-9]+), div n$/\1|\2|\3/p' \
  "$output")
[ "$(printf '%s\n' "$fits" | grep -c '|')" -eq 3 ] || fail "not three fits in the output"
while IFS='|' read -r chain multiplications additions; do
  grep -F "\$$multiplications\$" "$document" | grep -qF "\$$additions\$" ||
    fail "$document has no row with \$$multiplications\$ and \$$additions\$ ($chain)"
  echo "quoted: $chain, $multiplications multiplications, $additions additions and subtractions"
done <<<"$fits"
