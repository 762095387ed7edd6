#!/usr/bin/env python3
"""The total energy of the program's 100 chains over 30 s of simulated time: at friction 5, at
friction 1, and at friction 0 after 10 s at friction 5. Draws energy.png.

From the repository root, after a build (the module lies in <build>/python):
    PYTHONPATH=build/python /usr/bin/python3 examples/energy.py [OUTPUT]
OUTPUT is the picture's file, or a folder to write energy.png in (the current folder by default;
docs/ for the README's figure).
"""
import argparse
import math
import os

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after choosing the file-only backend)
import numpy as np  # noqa: E402

import pendula  # noqa: E402

SIMULATED_SECONDS = 30.0
PASSES = math.ceil(SIMULATED_SECONDS / pendula.STEP_SIZE)
# Friction is switched off at the first pass that starts at or after 10 s.
SWITCH_PASS = math.ceil(10.0 / pendula.STEP_SIZE)

SETTINGS = [
    ("friction 5", lambda n: 5.0),
    ("friction 1", lambda n: 1.0),
    ("friction 5, then 0 from 10 s", lambda n: 5.0 if n < SWITCH_PASS else 0.0),
]


def total_energies(friction_of_pass):
    """Energy of all chains from the start-up state and after every pass, in joules."""
    momenta, angles = pendula.start_up_state()
    energies = np.empty(PASSES + 1)
    energies[0] = pendula.energy(momenta, angles).sum()
    for n in range(PASSES):
        pendula.step_chains(momenta, angles, friction_of_pass(n))
        energies[n + 1] = pendula.energy(momenta, angles).sum()
    return energies


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output", nargs="?", default=".",
                        help="the picture, or a folder for energy.png (default: .)")
    output = parser.parse_args().output
    if os.path.isdir(output):
        output = os.path.join(output, "energy.png")
    times = np.arange(PASSES + 1) * pendula.STEP_SIZE
    histories = {label: total_energies(friction) for label, friction in SETTINGS}

    figure, (overall, undamped) = plt.subplots(
        2, 1, figsize=(8, 7.5), gridspec_kw={"height_ratios": [3, 2]}, constrained_layout=True)
    for label, energies in histories.items():
        overall.plot(times, energies / 1000.0, label=label)
    overall.set_xlabel("simulated time [s]")
    overall.set_ylabel("total energy of the 100 chains [kJ]")
    overall.set_title("Energy of the 100 chains from the program's start-up state")
    overall.grid(True, alpha=0.3)
    overall.legend()

    label = SETTINGS[2][0]
    free = histories[label][SWITCH_PASS:]
    undamped.plot(times[SWITCH_PASS:], free - free[0], color="C2")
    undamped.set_xlabel("simulated time [s]")
    undamped.set_ylabel("change since friction went to 0 [J]")
    undamped.set_title("Friction 0: what moves is the fixed explicit step's error (h = 0.012 s)")
    undamped.grid(True, alpha=0.3)
    figure.savefig(output, dpi=100)

    for label, energies in histories.items():
        print(f"{label:30s} start {energies[0]:12.1f} J   end {energies[-1]:12.1f} J")
    print(f"friction 0, from {times[SWITCH_PASS]:.3f} s to {times[-1]:.3f} s: "
          f"{free[0]:.1f} J -> {free[-1]:.1f} J ({free[-1] - free[0]:+.1f} J)")
    print(f"wrote {output}")


if __name__ == "__main__":
    main()
