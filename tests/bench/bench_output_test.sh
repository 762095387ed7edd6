#!/usr/bin/env bash
# pendula_bench's output flags and the scaling plot made from them: --benchmark_format=json puts
# JSON and nothing else on standard output; --benchmark_out with --benchmark_out_format=json writes
# the same to a file while the console table still goes to standard output; and
# scripts/plot-scaling.py turns the JSON into a PNG and a fitted exponent for every engine in it.
# Usage: bench_output_test.sh PENDULA_BENCH PLOT_SCRIPT
set -euo pipefail
bench=$1
plot=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# Two lengths of every scaling benchmark, enough for a fit, each run only briefly.
filter='^Scaling/[^/]+/(5|10)$'
run() { "$bench" --benchmark_filter="$filter" --benchmark_min_time=0.001 "$@"; }

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# The engines and lengths in a JSON file, one "engine/N" a line; fails unless it is JSON.
scaling_runs() {
  /usr/bin/python3 -c '
import json, sys
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    print(b["name"].split("/", 1)[1])' "$1" | sort
}

run --benchmark_format=json >"$dir/stdout.json" 2>"$dir/stderr.txt"
scaling_runs "$dir/stdout.json" >"$dir/stdout.runs" || fail "standard output is not JSON"
[ -s "$dir/stdout.runs" ] || fail "no Scaling benchmark in the JSON"
echo "JSON on standard output: $(tr '\n' ' ' <"$dir/stdout.runs")"

run --benchmark_out="$dir/out.json" --benchmark_out_format=json >"$dir/console.txt"
scaling_runs "$dir/out.json" >"$dir/out.runs" || fail "--benchmark_out did not write JSON"
cmp -s "$dir/stdout.runs" "$dir/out.runs" || fail "--benchmark_out wrote other benchmarks"
grep -q '^Scaling/' "$dir/console.txt" || fail "no console table beside --benchmark_out"

/usr/bin/python3 "$plot" "$dir/stdout.json" -o "$dir/scaling.png" >"$dir/plot.txt"
[ "$(head -c 8 "$dir/scaling.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
  fail "the plot is not a PNG"
for engine in $(cut -d/ -f1 "$dir/stdout.runs" | sort -u); do
  grep -qE "^  $engine: -?[0-9]+\.[0-9]{3} " "$dir/plot.txt" || fail "no fitted exponent for $engine"
done
cat "$dir/plot.txt"
echo "PASS"
