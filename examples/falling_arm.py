#!/usr/bin/env python3
"""The PUMA 560 arm of examples/falling_arm.cpp falls from the same pose under gravity with its
motors off, in Python: 3 s at h = 1 ms, the six joint angles plotted against time, and the total
energy, which nothing dissipates, beneath them. Draws arm.png.

The parameters are those of B. Armstrong, O. Khatib and J. Burdick, "The explicit dynamic model
and inertial parameters of the PUMA 560 arm", Proc. IEEE ICRA 1986, pp. 510-518, as tabulated in
modified Denavit-Hartenberg form in P. Corke's Robotics Toolbox for MATLAB (mdl_puma560akb);
falling_arm.cpp says how they become pendula links (d turned, inertias moved to the link origin,
link 1 given a mass and the moments of a body, which changes nothing in the motion).

From the repository root, after a build (the module lies in <build>/python):
    PYTHONPATH=build/python /usr/bin/python3 examples/falling_arm.py [OUTPUT]
OUTPUT is the picture's file, or a folder to write arm.png in (the current folder by default;
docs/ for the README's figure).
"""
import argparse
import os

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after choosing the file-only backend)
import numpy as np  # noqa: E402

import pendula  # noqa: E402

PI = np.pi
STEP_SIZE, STEPS = 0.001, 3000

# a, alpha, d (modified DH), mass, centre of mass, principal moments about it (along the axes)
PUMA_560 = [
    (0.0, 0.0, 0.0, 1.0, (0.0, 0.0, 0.0), (0.175, 0.175, 0.35)),  # link 1, see above
    (0.0, -PI / 2, 0.2435, 17.4, (0.068, 0.006, -0.016), (0.13, 0.524, 0.539)),
    (0.4318, 0.0, -0.0934, 4.8, (0.0, -0.070, 0.014), (0.066, 0.0125, 0.066)),
    (-0.0203, PI / 2, 0.4331, 0.82, (0.0, 0.0, -0.019), (1.8e-3, 1.8e-3, 1.3e-3)),
    (0.0, -PI / 2, 0.0, 0.34, (0.0, 0.0, 0.0), (0.30e-3, 0.30e-3, 0.40e-3)),
    (0.0, PI / 2, 0.0, 0.09, (0.0, 0.0, 0.032), (0.15e-3, 0.15e-3, 0.04e-3)),
]


def link(a, alpha, d, mass, centre, moments):
    """A pendula link: d turned, the inertia moved from the centre of mass to the link origin."""
    c = np.array(centre)
    about_origin = np.diag(moments) + mass * (c @ c * np.eye(3) - np.outer(c, c))
    return pendula.Link(a=a, d=-d, alpha=alpha, mass=mass, centre_of_mass=c,
                        inertia=about_origin[np.triu_indices(3)])


def main(output):
    arm = pendula.Chain([link(*row) for row in PUMA_560], gravity=(0.0, 0.0, -9.80665),
                        trigonometry="exact")
    angles = np.array([0.0, 0.0, PI / 2, 0.3, 0.6, 0.0])  # stretched out along x, wrist bent
    momenta = arm.momenta(angles, np.zeros(6))
    history, energy = [angles.copy()], [arm.energy(momenta, angles)]
    for _ in range(STEPS):
        arm.step(momenta, angles, STEP_SIZE)
        history.append(angles.copy())
        energy.append(arm.energy(momenta, angles))
    time = STEP_SIZE * np.arange(STEPS + 1)
    history, energy = np.array(history), np.array(energy)

    figure, (top, bottom) = plt.subplots(2, 1, figsize=(8, 6), sharex=True,
                                         gridspec_kw={"height_ratios": [3, 1]})
    for k in range(6):
        top.plot(time, history[:, k], label=f"joint {k + 1}")
    top.set_ylabel("joint angle [rad]")
    top.set_title("PUMA 560 (Armstrong, Khatib and Burdick 1986) falling with its motors off")
    top.legend(ncol=3, fontsize="small")
    top.grid(alpha=0.3)
    bottom.plot(time, 1e3 * (energy - energy[0]), color="black")
    bottom.set_ylabel("energy change [mJ]")
    bottom.set_xlabel("time [s]")
    bottom.grid(alpha=0.3)
    figure.tight_layout()
    figure.savefig(output, dpi=100)
    print(f"wrote {output}: energy {energy[0]:.6f} J at the start, "
          f"{energy[-1]:.6f} J after {time[-1]:.1f} s")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output", nargs="?", default=".",
                        help="the picture, or a folder for arm.png (default: .)")
    output = parser.parse_args().output
    main(os.path.join(output, "arm.png") if os.path.isdir(output) else output)
