#!/usr/bin/env python3
"""How soon two chains started 1e-9 rad apart go their own ways, against friction: an ensemble of
pairs fanned out over a Dask cluster, each task a block of pairs stepped by the pendula module.

Every pair starts at rest from random angles (uniform in [-pi/2, pi/2] at every joint); its twin
differs by 1e-9 rad at joint 1. A pair has diverged at the first step after which some joint
angle of the twin differs from the original's by more than 0.01 rad; a pair that has not by the
end of the run counts as not diverged. Each block draws its angles from its own seed (the run's
seed and the block's number), so a block's result is the same wherever it runs, and the whole
result is the same on any cluster as in one process.

From the repository root, after a build (the module lies in <build>/python):
    # on this machine, a local cluster of one worker process per core:
    PYTHONPATH=build/python /usr/bin/python3 examples/divergence_ensemble.py
    # on a cluster: start `dask scheduler` on one machine and `dask worker tcp://HOST:8786` on
    # each (every worker with the module on its PYTHONPATH), then
    PYTHONPATH=build/python /usr/bin/python3 examples/divergence_ensemble.py \\
        --scheduler tcp://HOST:8786
It shows the blocks done on standard error while it runs (about 6 minutes on 2 cores at its
defaults), prints one line per friction and writes divergence.png in the current folder
(--output: another file, or a folder to write divergence.png in; docs/ for the README's figure).
"""
import argparse
import os
import sys
import time

import numpy as np
from tqdm import tqdm

import pendula

# The offset of the twin's joint 1, rad, and the separation that counts as divergence, rad.
OFFSET = 1e-9
THRESHOLD = 0.01
# The frictions of the study, N m s/rad: from none to the program's start-up value.
FRICTIONS = (0.0, 0.25, 0.5, 1.0, 2.0, 5.0)


def block_tasks(pairs, frictions, block_pairs, steps, seed):
    """The tasks of a run: for every friction, blocks of block_pairs pairs (the last one maybe
    smaller) that together hold `pairs` pairs, as (friction, block, count, steps, seed) tuples,
    numbered across the whole run so that every block draws its own angles."""
    tasks = []
    for friction in frictions:
        for first in range(0, pairs, block_pairs):
            tasks.append((float(friction), len(tasks), min(block_pairs, pairs - first), steps, seed))
    return tasks


def divergence_steps(task, threads=1):
    """One task: the step at which each pair of the block diverged (0 for one that did not), as
    an int32 array. The pairs ride in one batch of 2 * count chains, originals first."""
    friction, block, count, steps, seed = task
    rng = np.random.default_rng([seed, block])
    angles = np.empty((2 * count, pendula.LINKS))
    angles[:count] = rng.uniform(-np.pi / 2, np.pi / 2, (count, pendula.LINKS))
    angles[count:] = angles[:count]
    angles[count:, 0] += OFFSET
    momenta = np.zeros_like(angles)
    diverged = np.zeros(count, dtype=np.int32)
    for step in range(1, steps + 1):
        pendula.step_chains(momenta, angles, friction, 0.0, threads=threads)
        # A NaN in either chain counts as divergence too: the comparison below is then False.
        apart = ~(np.abs(angles[count:] - angles[:count]) <= THRESHOLD).all(axis=1)
        diverged[(diverged == 0) & apart] = step
        if diverged.all():
            break
    return diverged


def blocks_done(blocks, total, show):
    """The blocks as they come, counted on standard error as they finish when show is true."""
    return tqdm(blocks, total=total, desc="blocks", unit="block", disable=not show,
                file=sys.stderr)


def run_in_process(tasks, progress=False):
    """Every block, one after the other, here."""
    return [divergence_steps(task) for task in blocks_done(tasks, len(tasks), progress)]


def run_on_client(client, tasks, progress=False):
    """Every block as a task of the cluster behind the Dask client, gathered in block order."""
    from dask.distributed import as_completed

    futures = client.map(divergence_steps, tasks, pure=False)
    for _ in blocks_done(as_completed(futures), len(futures), progress):
        pass
    return client.gather(futures)


def by_friction(tasks, results):
    """The divergence steps of every pair, per friction, in block order."""
    table = {}
    for task, steps in zip(tasks, results):
        table.setdefault(task[0], []).append(steps)
    return {friction: np.concatenate(parts) for friction, parts in table.items()}


def plot(table, steps, output):
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt

    seconds = steps * pendula.STEP_SIZE
    frictions = sorted(table)
    figure, (times, shares) = plt.subplots(1, 2, figsize=(11, 4.5), constrained_layout=True)
    for friction in frictions:
        diverged = np.sort(table[friction][table[friction] > 0]) * pendula.STEP_SIZE
        fraction = np.arange(1, diverged.size + 1) / table[friction].size
        times.step(np.concatenate([[0.0], diverged, [seconds]]),
                   np.concatenate([[0.0], fraction, [fraction[-1] if fraction.size else 0.0]]),
                   where="post", label=f"friction {friction:g}")
    times.set_xlabel("simulated time [s]")
    times.set_ylabel("share of pairs diverged")
    times.set_title(f"Pairs 1e-9 rad apart: separation above {THRESHOLD} rad")
    times.grid(True, alpha=0.3)
    times.legend()
    medians = [np.median(np.where(table[f] > 0, table[f], np.inf)) * pendula.STEP_SIZE
               for f in frictions]
    shares.plot(frictions, [np.mean(table[f] > 0) for f in frictions], "o-", label="diverged")
    shares.set_xlabel("friction coefficient [N m s/rad]")
    shares.set_ylabel(f"share of pairs diverged within {seconds:g} s")
    shares.set_ylim(0.0, 1.05)
    shares.grid(True, alpha=0.3)
    median_axis = shares.twinx()
    median_axis.plot(frictions, medians, "s--", color="C1", label="median time")
    median_axis.set_ylabel("median divergence time [s] (of all pairs)", color="C1")
    median_axis.set_ylim(0.0, seconds)
    shares.set_title(f"{table[frictions[0]].size:,} pairs per friction")
    figure.savefig(output, dpi=100)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--scheduler", help="address of a running Dask scheduler "
                        "(default: a local cluster of one worker per core)")
    parser.add_argument("--pairs", type=int, default=17000, help="pairs per friction")
    parser.add_argument("--block", type=int, default=1000, help="pairs per task")
    parser.add_argument("--seconds", type=float, default=20.0, help="simulated time")
    parser.add_argument("--seed", type=int, default=2026)
    parser.add_argument("--output", default=".",
                        help="the picture, or a folder for divergence.png (default: .)")
    parser.add_argument("--in-process", action="store_true", help="no Dask: every block here")
    arguments = parser.parse_args()

    output = (os.path.join(arguments.output, "divergence.png")
              if os.path.isdir(arguments.output) else arguments.output)
    steps = int(round(arguments.seconds / pendula.STEP_SIZE))
    tasks = block_tasks(arguments.pairs, FRICTIONS, arguments.block, steps, arguments.seed)
    start = time.perf_counter()
    if arguments.in_process:
        where = "in one process"
        results = run_in_process(tasks, progress=True)
    else:
        from dask.distributed import Client, LocalCluster

        if arguments.scheduler:
            client = Client(arguments.scheduler)
        else:
            client = Client(LocalCluster(n_workers=os.cpu_count(), threads_per_worker=1,
                                         dashboard_address=None))
        workers = len(client.scheduler_info()["workers"])
        where = f"on {workers} Dask workers"
        results = run_on_client(client, tasks, progress=True)
        client.close()
    elapsed = time.perf_counter() - start
    table = by_friction(tasks, results)
    for friction in sorted(table):
        steps_of = table[friction]
        diverged = steps_of[steps_of > 0] * pendula.STEP_SIZE
        median = f"{np.median(diverged):6.2f} s" if diverged.size else "     -  "
        print(f"friction {friction:4g}: {diverged.size / steps_of.size:6.1%} of {steps_of.size} "
              f"pairs diverged within {arguments.seconds:g} s, median time of those {median}")
    chains = 2 * sum(task[2] for task in tasks)
    print(f"{len(tasks)} tasks, {chains} chains, up to {steps} steps each, {where}: "
          f"{elapsed:.1f} s")
    plot(table, steps, output)
    print(f"wrote {output}")


if __name__ == "__main__":
    main()
