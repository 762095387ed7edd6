#!/usr/bin/python3
"""Turns one pendula_bench run's JSON into the scaling plot and its figures.

Reads the Scaling/<engine>/<N> benchmarks (chain, chain-batch, mujoco, bullet: whichever
the run has), takes each one's CPU time per evaluation (the median aggregate when the run has
repetitions, else the median of its runs), and writes a PNG with two panels, time per evaluation
and time per link against N, both on logarithmic axes. Prints each engine's fitted exponent (the
least-squares slope of log t against log N), the figures behind the scaling targets when the run
has pendula's series, and a Markdown table of the figures.

Usage (Debian's python3-matplotlib, run with Debian's /usr/bin/python3):
  build-bench/bench/pendula_bench --benchmark_filter='^Scaling/' --benchmark_repetitions=10 \
      --benchmark_report_aggregates_only=true --benchmark_out=scaling.json \
      --benchmark_out_format=json
  scripts/plot-scaling.py scaling.json                 # writes docs/scaling.png
  scripts/plot-scaling.py scaling.json -o other.png
"""

import argparse
import json
import math
import re
import statistics
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (the backend must be chosen first)
from matplotlib.ticker import FuncFormatter, LogLocator, NullLocator  # noqa: E402

SCALING_NAME = re.compile(r"^Scaling/([^/]+)/(\d+)$")
ENGINE_ORDER = ["chain", "chain-batch", "mujoco", "bullet"]
ENGINE_STYLE = {
    "chain": ("tab:blue", "o"),
    "chain-batch": ("tab:cyan", "D"),
    "mujoco": ("tab:red", "s"),
    "bullet": ("tab:green", "^"),
}
NANOSECONDS_PER = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def scaling_times(benchmarks):
    """{engine: {N: nanoseconds of CPU time per evaluation}} from the JSON's benchmark list."""
    medians, runs = {}, {}
    for b in benchmarks:
        match = SCALING_NAME.match(b.get("run_name", b["name"]))
        if not match or b.get("error_occurred"):
            continue
        key = (match.group(1), int(match.group(2)))
        nanoseconds = b["cpu_time"] * NANOSECONDS_PER[b.get("time_unit", "ns")]
        if b.get("run_type") == "aggregate":
            if b.get("aggregate_name") == "median":
                medians[key] = nanoseconds
        else:
            runs.setdefault(key, []).append(nanoseconds)
    times = {}
    for key in set(medians) | set(runs):
        engine, links = key
        value = medians[key] if key in medians else statistics.median(runs[key])
        times.setdefault(engine, {})[links] = value
    return times


def ordered(engines):
    known = [e for e in ENGINE_ORDER if e in engines]
    return known + sorted(e for e in engines if e not in ENGINE_ORDER)


# The exponent over the longest lengths too: a curve that bends (a cost with an N and an N^2
# part) has no single exponent, and its tail tells where it is going.
TAIL_LENGTHS = 3


def fitted_exponent(series):
    """Least-squares slope of log t against log N; None with fewer than two lengths."""
    if len(series) < 2:
        return None
    xs = [math.log(n) for n in series]
    ys = [math.log(t) for t in series.values()]
    mx, my = sum(xs) / len(xs), sum(ys) / len(ys)
    sxx = sum((x - mx) ** 2 for x in xs)
    return sum((x - mx) * (y - my) for x, y in zip(xs, ys)) / sxx


def repetitions(benchmarks):
    counts = [
        b.get("repetitions", 1)
        for b in benchmarks
        if SCALING_NAME.match(b.get("run_name", b["name"]))
    ]
    return max(counts, default=1)


def machine(context):
    parts = []
    if context.get("num_cpus"):
        parts.append(f"{context['num_cpus']} CPUs at {context.get('mhz_per_cpu', '?')} MHz")
    if context.get("date"):
        parts.append(context["date"][:10])
    return ", ".join(parts)


def plot(times, exponents, subtitle, output):
    figure, (total, per_link) = plt.subplots(1, 2, figsize=(12, 5))
    for engine in ordered(times):
        series = dict(sorted(times[engine].items()))
        colour, marker = ENGINE_STYLE.get(engine, (None, "x"))
        exponent = exponents[engine]
        label = engine if exponent is None else f"{engine} (N^{exponent:.2f})"
        ns = list(series)
        total.plot(ns, [t / 1e3 for t in series.values()], marker=marker, color=colour, label=label)
        per_link.plot(
            ns, [t / n for n, t in series.items()], marker=marker, color=colour, label=engine
        )
    all_lengths = sorted({n for series in times.values() for n in series})
    panels = ((total, "Time per evaluation", "µs"), (per_link, "Time per link", "ns"))
    for axes, title, unit in panels:
        axes.set_xscale("log")
        axes.set_yscale("log")
        axes.set_xticks(all_lengths)
        axes.set_xticklabels([str(n) for n in all_lengths])
        axes.xaxis.set_minor_locator(NullLocator())
        axes.yaxis.set_major_locator(LogLocator(base=10, subs=(1.0, 2.0, 5.0)))
        axes.yaxis.set_major_formatter(FuncFormatter(lambda value, _: f"{value:g}"))
        axes.yaxis.set_minor_locator(NullLocator())
        axes.set_xlabel("links N")
        axes.set_ylabel(f"CPU time ({unit})")
        axes.set_title(title)
        axes.grid(True, which="major", alpha=0.3)
        axes.legend()
    figure.suptitle("One forward-dynamics evaluation of a chain of N links\n" + subtitle)
    figure.tight_layout()
    figure.savefig(output, dpi=100)


def three_figures(value):
    """3 significant figures in plain notation: 0.426, 12.6, 5590."""
    rounded = float(f"{value:.3g}")
    if rounded == 0:
        return "0"
    decimals = max(0, 2 - math.floor(math.log10(abs(rounded))))
    return f"{rounded:.{decimals}f}"


def table(times):
    engines = ordered(times)
    lengths = sorted({n for series in times.values() for n in series})
    header = "| N | " + " | ".join(f"{e} (µs)" for e in engines) + " | "
    header += " | ".join(f"{e} per link (ns)" for e in engines) + " |"
    lines = [header, "|" + "---|" * (1 + 2 * len(engines))]
    for n in lengths:
        cells = [three_figures(times[e][n] / 1e3) if n in times[e] else "" for e in engines]
        cells += [three_figures(times[e][n] / n) if n in times[e] else "" for e in engines]
        lines.append(f"| {n} | " + " | ".join(cells) + " |")
    return "\n".join(lines)


def targets(times):
    """The figures behind the scaling targets, for the series the run has: pendula's time per
    link at its longest length against 20 links (at most 1.3), and at every length from 10 on its
    time against the faster of MuJoCo and Bullet (at most 0.2)."""
    lines = []
    for engine in ("chain", "chain-batch"):
        series = times.get(engine, {})
        longest = max(series, default=None)
        if 20 in series and longest and longest > 20:
            ratio = (series[longest] / longest) / (series[20] / 20)
            lines.append(
                f"  {engine}: time per link at {longest} / at 20 = {ratio:.2f} (target <= 1.3)"
            )
        for n in sorted(series):
            peers = [times[p][n] for p in ("mujoco", "bullet") if n in times.get(p, {})]
            if n >= 10 and peers:
                ratio = series[n] / min(peers)
                lines.append(
                    f"  {engine}: N = {n}, time / faster peer = {ratio:.3f} (target <= 0.2)"
                )
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("json", help="the JSON of one pendula_bench run")
    parser.add_argument("-o", "--output", default="docs/scaling.png", help="the PNG to write")
    args = parser.parse_args()
    with open(args.json, encoding="utf-8") as f:
        run = json.load(f)
    times = scaling_times(run.get("benchmarks", []))
    if not times:
        sys.exit(f"{args.json}: no Scaling/<engine>/<N> benchmarks")
    exponents = {engine: fitted_exponent(series) for engine, series in times.items()}
    count = repetitions(run.get("benchmarks", []))
    subtitle = f"CPU time, median of {count} repetitions" if count > 1 else "CPU time, one run"
    if machine(run.get("context", {})):
        subtitle += "; " + machine(run.get("context", {}))
    plot(times, exponents, subtitle, args.output)
    print("Fitted exponent k of t ∝ N^k (least squares of log t against log N):")
    for engine in ordered(times):
        lengths = sorted(times[engine])
        k = exponents[engine]
        fitted = "n/a (one length)" if k is None else f"{k:.3f}"
        line = f"  {engine}: {fitted}  (N = {lengths[0]} to {lengths[-1]}, {len(lengths)} lengths)"
        if len(lengths) > TAIL_LENGTHS:
            tail = {n: times[engine][n] for n in lengths[-TAIL_LENGTHS:]}
            k_tail = fitted_exponent(tail)
            line += f"; {k_tail:.3f} over N = {lengths[-TAIL_LENGTHS]} to {lengths[-1]}"
        print(line)
    if targets(times):
        print("Targets:")
        print("\n".join(targets(times)))
    print()
    print(table(times))
    print()
    print(f"Wrote {args.output}")


if __name__ == "__main__":
    main()
