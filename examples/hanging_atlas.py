#!/usr/bin/env python3
"""Atlas v3 hangs from its pelvis, fixed in space, and falls with its motors off, in Python: the
robot as its URDF file describes it (Debian's dart-doc copy unless another is given), 2 s by the
adaptive integrator with the exact sines. Draws the robot (each joint's origin joined to its
parent's, seen from the front and from the side) at a few instants, and the energy, which only
the joints' damping takes away, beneath them: atlas.png.

From the repository root, after a build (the module lies in <build>/python):
    PYTHONPATH=build/python /usr/bin/python3 examples/hanging_atlas.py [OUTPUT] [--urdf FILE]
"""
import argparse
import os

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after choosing the file-only backend)
import numpy as np  # noqa: E402

import pendula  # noqa: E402

ATLAS = "/usr/share/doc/dart/data/sdf/atlas/atlas_v3_no_head.urdf"
DURATION, SAMPLES = 2.0, 201
SNAPSHOTS = (0.0, 0.3, 0.6, 2.0)  # seconds


def main(output, urdf):
    atlas = pendula.Model.from_urdf(urdf)
    n = atlas.joint_count
    print(f"model {atlas.name}: {n} joints")
    momenta, positions = np.zeros(n), np.zeros(n)
    times = np.linspace(0.0, DURATION, SAMPLES)
    energy, poses = [atlas.energy(momenta, positions)], [positions.copy()]
    for t0, t1 in zip(times[:-1], times[1:]):
        atlas.integrate(momenta, positions, t1 - t0)
        energy.append(atlas.energy(momenta, positions))
        poses.append(positions.copy())
    energy = np.array(energy)

    figure = plt.figure(figsize=(9, 7))
    views = [figure.add_subplot(2, 2, 1), figure.add_subplot(2, 2, 2)]
    colours = plt.cm.viridis(np.linspace(0.0, 0.9, len(SNAPSHOTS)))
    for t, colour in zip(SNAPSHOTS, colours):
        origins = atlas.frame_origins(poses[int(round(t / DURATION * (SAMPLES - 1)))])
        points = np.vstack([np.zeros(3), origins])  # the base (pelvis) first
        for view, (axis, name) in zip(views, ((1, "y (front view) [m]"), (0, "x (side view) [m]"))):
            for joint, parent in enumerate(atlas.parents):
                a, b = points[parent + 1], points[joint + 1]
                view.plot([a[axis], b[axis]], [a[2], b[2]], color=colour, lw=1.5,
                          label=f"t = {t:.1f} s" if joint == 0 else None)
            view.plot(points[:, axis], points[:, 2], ".", color=colour, ms=3)
            view.set_xlabel(name)
    for view in views:
        view.set_aspect("equal")
        view.set_ylabel("z [m]")
        view.grid(alpha=0.3)
    views[0].legend(fontsize="small")
    figure.suptitle(f"{atlas.name}: {n} joints hanging from the fixed pelvis, motors off")
    bottom = figure.add_subplot(2, 1, 2)
    bottom.plot(times, energy - energy[0], color="black")
    bottom.set_xlabel("time [s]")
    bottom.set_ylabel("energy change [J]")
    bottom.set_title("the energy: only the joints' damping takes it away", fontsize="medium")
    bottom.grid(alpha=0.3)
    figure.tight_layout()
    figure.savefig(output, dpi=100)
    print(f"wrote {output}: energy {energy[0]:.6f} J at the start, "
          f"{energy[-1]:.6f} J after {times[-1]:.1f} s")


if __name__ == "__main__":
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("output", nargs="?", default=".",
                        help="the picture, or a folder for atlas.png (default: .)")
    parser.add_argument("--urdf", default=ATLAS, help=f"the robot (default: {ATLAS})")
    arguments = parser.parse_args()
    output = arguments.output
    main(os.path.join(output, "atlas.png") if os.path.isdir(output) else output, arguments.urdf)
