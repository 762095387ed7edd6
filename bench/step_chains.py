#!/usr/bin/env python3
"""Times pendula.step_chains on the program's 100 chains against the C++ StepChains, and
Chain.step of pendula.Chain.program() against the C++ StepChains of chain.h.

The Python side does what the C++ benchmarks IdlePass/100chains and Chain/IdlePass/100chains
do: from the start-up state, the first 1000 passes at friction 5 (12 simulated seconds) over and
over, the rewinding untimed. All report CPU time per pass, as Google Benchmark does, and run in
turns, so that all see the same load on a shared machine.
    PYTHONPATH=build/python /usr/bin/python3 bench/step_chains.py build/bench/pendula_bench
"""
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

import pendula

PASSES_PER_ROUND = 1000
ROUNDS = 10


def python_microseconds_per_pass(step):
    start_momenta, start_angles = pendula.start_up_state()
    momenta, angles = start_momenta.copy(), start_angles.copy()
    began = time.process_time()
    for _ in range(PASSES_PER_ROUND):
        step(momenta, angles)
    return (time.process_time() - began) / PASSES_PER_ROUND * 1e6


def cpp_microseconds_per_pass(pendula_bench, name):
    with tempfile.TemporaryDirectory() as folder:
        report = os.path.join(folder, "report.json")
        subprocess.run(
            [pendula_bench, f"--benchmark_filter=^{name}$", "--benchmark_min_time=0.1",
             f"--benchmark_out={report}", "--benchmark_out_format=json"],
            capture_output=True, check=True)
        with open(report, encoding="utf-8") as file:
            run = json.load(file)["benchmarks"][0]
    assert run["time_unit"] == "us"
    return run["cpu_time"]


def main():
    pendula_bench = sys.argv[1] if len(sys.argv) > 1 else None
    chain = pendula.Chain.program()
    pairs = [
        ("pendula.step_chains", lambda p, q: pendula.step_chains(p, q, 5.0, 0.0),
         "C++ StepChains", "IdlePass/100chains"),
        ("Chain.program().step", lambda p, q: chain.step(p, q, pendula.STEP_SIZE, 5.0),
         "C++ StepChains of chain.h", "Chain/IdlePass/100chains"),
    ]
    for python_name, step, cpp_name, benchmark in pairs:
        python_times, cpp_times = [], []
        for _ in range(ROUNDS):
            python_times.append(python_microseconds_per_pass(step))
            if pendula_bench:
                cpp_times.append(cpp_microseconds_per_pass(pendula_bench, benchmark))
        python_median = statistics.median(python_times)
        print(f"{python_name}, 100 chains: median {python_median:.1f} us per pass "
              f"over {ROUNDS} rounds of {PASSES_PER_ROUND} passes "
              f"(min {min(python_times):.1f}, max {max(python_times):.1f})")
        if cpp_times:
            cpp_median = statistics.median(cpp_times)
            print(f"{cpp_name} ({benchmark}): median {cpp_median:.1f} us per pass "
                  f"(min {min(cpp_times):.1f}, max {max(cpp_times):.1f})")
            print(f"ratio Python / C++: {python_median / cpp_median:.3f}")


if __name__ == "__main__":
    main()
