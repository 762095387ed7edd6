#!/usr/bin/env python3
"""What each integrator does to the energy of the program's 100 chains without friction.

The chains start from the program's start-up state and swing for 10 s at friction 5 under the
program's own step (Heun, h = 0.012 s, the sine table); from there friction is 0 and each method
integrates the same chains for 20 s with smooth sines (trigonometry="exact"), under which the
energy is exactly conserved by the dynamics, so every change of it is the integrator's error.
Draws integrators.png: (a) the summed energy error |E(t) - E(0)| of the 100 chains against
time, (b) the error at the end against force evaluations per chain and simulated second.

From the repository root, after a build (the module lies in <build>/python); about 7 minutes,
each run's progress on standard error:
    PYTHONPATH=build/python /usr/bin/python3 examples/integrators.py [OUTPUT] \
        [--seconds S] [--chains N]
OUTPUT is the picture's file, or a folder to write integrators.png in (the current folder by
default; docs/ for the README's figure). --seconds and --chains shorten the run without friction
and take the first N chains, for a quick look; the defaults (20 s, 100 chains) make the figure.
"""
import argparse
import math
import os
import sys
import time

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after choosing the file-only backend)
import numpy as np  # noqa: E402
from tqdm import tqdm  # noqa: E402

import pendula  # noqa: E402

SPAN = 20.0  # seconds without friction, unless --seconds says otherwise
SAMPLE = 0.048  # seconds between the samples of the energy: a whole number of every step
PROGRAM_STEP = pendula.STEP_SIZE

# Step sizes and tolerances of the work-precision diagram; the first two of each method (and
# the adaptive's two tolerances) are drawn against time as well.
FIXED = {
    "heun": [0.012, 0.003, 0.0015, 0.00075],
    "rk4": [0.012, 0.003, 0.0015, 0.00075],
    "midpoint": [0.012, 0.003, 0.0015, 0.00075],
}
TOLERANCES = [1e-5, 1e-9, 1e-7, 1e-11]
COLOURS = {"heun": "tab:red", "rk4": "tab:blue", "midpoint": "tab:green", "adaptive": "black"}


def after_friction():
    """The program's 100 chains after 10 s at friction 5, stepped as the program steps them."""
    momenta, angles = pendula.start_up_state()
    for _ in range(math.ceil(10.0 / PROGRAM_STEP)):
        pendula.step_chains(momenta, angles, 5.0)
    return momenta, angles


def energy_error(chain, momenta, angles, start):
    """Sum over the chains of |E - E(0)|, joules; NaN where a chain has overflowed."""
    return float(np.sum(np.abs(chain.energy(momenta, angles) - start)))


SUBDIVIDED = {}  # (method, h) -> how many chain-steps had to be taken as two halves
FAILED = {}  # (method, h) -> (time, message) of a run that could not go on


def step_chain(chain, p, q, h, method, key, depth=0):
    """One step of one chain; a midpoint step whose solve does not converge (a whip faster than
    the step can follow) is taken as two steps of h/2, down to h/64. Returns the evaluations."""
    try:
        return chain.step(p, q, h, method=method)
    except pendula.ConvergenceError:
        if depth == 6:
            raise
        SUBDIVIDED[key] = SUBDIVIDED.get(key, 0) + 1
        return (step_chain(chain, p, q, h / 2, method, key, depth + 1) +
                step_chain(chain, p, q, h / 2, method, key, depth + 1))


RUNS = sum(len(steps) for steps in FIXED.values()) + len(TOLERANCES)
STARTED = []  # the runs started so far, for the progress line's "run i of RUNS"


def progress(samples, what):
    """The samples of one run, counted on standard error while they are taken."""
    STARTED.append(what)
    return tqdm(range(samples), desc=f"run {len(STARTED)}/{RUNS}, {what}", unit="sample",
                leave=False, file=sys.stderr)


def fixed_run(chain, method, h, momenta, angles, span):
    """Energy errors at every sample and force evaluations per chain and simulated second."""
    p, q = momenta.copy(), angles.copy()
    start = chain.energy(p, q)
    per_sample = round(SAMPLE / h)
    errors, evaluations = [0.0], 0
    samples = round(span / SAMPLE)
    for sample in progress(samples, f"{method}, h = {h * 1000:g} ms"):
        try:
            for _ in range(per_sample):
                if method == "midpoint":
                    for i in range(len(p)):
                        evaluations += step_chain(chain, p[i], q[i], h, method, (method, h))
                else:
                    evaluations += chain.step(p, q, h, method=method)
        except pendula.ConvergenceError as failure:
            # Not even h/64 could step a chain: the run ends here, and its curve with it.
            FAILED[method, h] = (sample * SAMPLE, str(failure))
            errors += [math.nan] * (samples - sample)
            break
        errors.append(energy_error(chain, p, q, start))
    return np.array(errors), evaluations / (len(p) * span)


def adaptive_run(chain, rtol, momenta, angles, span):
    """The same for the adaptive integration, sample by sample."""
    p, q = momenta.copy(), angles.copy()
    start = chain.energy(p, q)
    errors, evaluations = [0.0], 0
    for _ in progress(round(span / SAMPLE), f"adaptive, tol = {rtol:g}"):
        evaluations += int(chain.integrate(p, q, SAMPLE, rtol=rtol, atol=rtol)["evaluations"].sum())
        errors.append(energy_error(chain, p, q, start))
    return np.array(errors), evaluations / (len(p) * span)


def picture_path(path, name):
    """Where the picture goes: path itself, or name inside it when path is a folder."""
    return os.path.join(path, name) if os.path.isdir(path) else path


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output", nargs="?", default=".",
                        help="the picture, or a folder for integrators.png (default: .)")
    parser.add_argument("--seconds", type=float, default=SPAN,
                        help=f"simulated time without friction (default: {SPAN:g})")
    parser.add_argument("--chains", type=int, default=pendula.CHAINS, metavar="N",
                        help="the first N of the program's 100 chains (default: 100)")
    arguments = parser.parse_args()
    output = picture_path(arguments.output, "integrators.png")
    span = arguments.seconds
    if not round(span / SAMPLE) >= 1:
        parser.error(f"--seconds must be at least one sample, {SAMPLE} s; got {span:g}")
    if not 1 <= arguments.chains <= pendula.CHAINS:
        parser.error(f"--chains must be 1 to {pendula.CHAINS}; got {arguments.chains}")
    chain = pendula.Chain(pendula.Chain.program().links, trigonometry="exact")
    momenta, angles = after_friction()
    momenta, angles = momenta[:arguments.chains], angles[:arguments.chains]
    count = len(momenta)
    times = np.arange(round(span / SAMPLE) + 1) * SAMPLE
    runs = {}  # (method, h or rtol) -> (errors against time, evaluations per chain-second)
    for method, steps in FIXED.items():
        for h in steps:
            started = time.perf_counter()
            runs[method, h] = fixed_run(chain, method, h, momenta, angles, span)
            print(f"{method:9s} h = {h:<8g} end error {runs[method, h][0][-1]:10.4g} J, "
                  f"{runs[method, h][1]:9.1f} evaluations per chain-second, "
                  f"{SUBDIVIDED.get((method, h), 0)} steps halved "
                  f"({time.perf_counter() - started:.1f} s)", flush=True)
            if (method, h) in FAILED:
                print(f"          stopped at t = {FAILED[method, h][0]:.3f} s: "
                      f"{FAILED[method, h][1]}", flush=True)
    for rtol in TOLERANCES:
        started = time.perf_counter()
        runs["adaptive", rtol] = adaptive_run(chain, rtol, momenta, angles, span)
        print(f"adaptive  tol = {rtol:<6g} end error {runs['adaptive', rtol][0][-1]:10.4g} J, "
              f"{runs['adaptive', rtol][1]:9.1f} evaluations per chain-second "
              f"({time.perf_counter() - started:.1f} s)", flush=True)

    figure, (left, right) = plt.subplots(1, 2, figsize=(13, 5.2))
    for method, steps in FIXED.items():
        for h, style in zip(steps[:2], ["-", "--"]):
            left.semilogy(times, runs[method, h][0], style, color=COLOURS[method],
                          label=f"{method}, h = {h * 1000:g} ms", linewidth=1.2)
    for rtol, style in zip(TOLERANCES[:2], ["-", "--"]):
        left.semilogy(times, runs["adaptive", rtol][0], style, color=COLOURS["adaptive"],
                      label=f"adaptive, tol = {rtol:g}", linewidth=1.2)
    left.set_xlabel("time without friction [s]")
    left.set_ylabel(f"sum over {count} chains of |E(t) - E(0)| [J]")
    left.set_title("(a) energy error against time")
    left.legend(fontsize=8, ncol=2)
    left.grid(True, which="major", alpha=0.3)
    for method in list(FIXED) + ["adaptive"]:
        keys = [(method, x) for x in (FIXED[method] if method in FIXED else sorted(TOLERANCES))]
        keys = [k for k in keys if k not in FAILED]
        cost = [runs[k][1] for k in keys]
        error = [runs[k][0][-1] for k in keys]
        right.loglog(cost, error, "o-", color=COLOURS[method], label=method)
        for k, c, e in zip(keys, cost, error):
            label = f"{k[1] * 1000:g} ms" if method in FIXED else f"{k[1]:g}"
            right.annotate(label, (c, e), textcoords="offset points", xytext=(4, 3), fontsize=7,
                           color=COLOURS[method])
    right.set_xlabel("force evaluations per chain and simulated second")
    right.set_ylabel(f"sum over {count} chains of |E({span:g} s) - E(0)| [J]")
    right.set_title("(b) work and precision")
    right.legend(fontsize=8)
    right.grid(True, which="major", alpha=0.3)
    chains = "The program's 100 chains" if count == 100 else f"{count} of the program's chains"
    figure.suptitle(f"{chains} without friction, after 10 s at friction 5 (smooth sines)",
                    fontsize=11)
    figure.tight_layout()
    figure.savefig(output, dpi=110)
    print(f"wrote {output}")


if __name__ == "__main__":
    main()
