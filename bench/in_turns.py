#!/usr/bin/python3
"""Compares two builds of pendula_bench on a machine whose speed drifts: the two binaries run in
turns, each benchmark 0.2 s a round, so that both see the same drift, and for each benchmark the
median over the rounds of new/old is printed beside the minimum of each: CPU time, or for a
benchmark that times itself (".../manual_time") the time it reports. The figures
of docs/performance.md since its sixth round come from this comparison.
    bench/in_turns.py OLD_BENCH NEW_BENCH 'FILTER' [ROUNDS]
for example
    bench/in_turns.py old/bench/pendula_bench build/bench/pendula_bench \\
        '^(IdlePass/100chains|StepChains/lanes/.)$' 8
"""
import collections
import json
import statistics
import subprocess
import sys


def times_of_run(binary, benchmark_filter):
    """One run of binary over the filter: {benchmark name: its time, in its own unit}."""
    out = subprocess.run(
        [binary, f"--benchmark_filter={benchmark_filter}", "--benchmark_min_time=0.2",
         "--benchmark_format=json"],
        capture_output=True, text=True, check=True).stdout
    # A benchmark this machine cannot run (a width its CPU lacks) reports an error and no time.
    return {run["name"]: float(run["real_time" if run["name"].endswith("/manual_time")
                                    else "cpu_time"])
            for run in json.loads(out)["benchmarks"] if not run.get("error_occurred")}


def main():
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    old, new, benchmark_filter = sys.argv[1:4]
    rounds = int(sys.argv[4]) if len(sys.argv) == 5 else 8
    # Keyed by the side, not the path: a build compared with itself shows the noise.
    times = {"old": collections.defaultdict(list), "new": collections.defaultdict(list)}
    for _ in range(rounds):
        for side, binary in (("old", old), ("new", new)):
            for name, time in times_of_run(binary, benchmark_filter).items():
                times[side][name].append(time)
    print(f"{'benchmark':44} new/old {'old min':>10} {'new min':>10}   ({rounds} rounds)")
    for name, old_times in times["old"].items():
        new_times = times["new"].get(name)
        if not new_times:
            print(f"{name:44} (not run by the new build)")
            continue
        ratio = statistics.median(n / o for n, o in zip(new_times, old_times))
        print(f"{name:44} {ratio:7.3f} {min(old_times):10.3f} {min(new_times):10.3f}")


if __name__ == "__main__":
    main()
