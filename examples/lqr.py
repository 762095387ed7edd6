#!/usr/bin/env python3
"""Balancing an inverted chain of three links by LQR on the linearisation that derivatives()
gives: the upright equilibrium (every link pointing up, p = 0, exact sines), the gain of the
continuous-time Riccati equation (SciPy's solve_continuous_are), and the closed loop stepped by
pendula from a perturbed start, torques from the gain at every step. Draws lqr.png.

From the repository root, after a build (the module lies in <build>/python):
    PYTHONPATH=build/python /usr/bin/python3 examples/lqr.py [OUTPUT]
OUTPUT is the picture's file, or a folder to write lqr.png in (the current folder by default;
docs/ for the README's figure).
"""
import argparse
import os

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after choosing the file-only backend)
import numpy as np  # noqa: E402
from scipy.linalg import solve_continuous_are  # noqa: E402

import pendula  # noqa: E402

N = 3
H = 0.002  # s, the step
SECONDS = 6.0
UPRIGHT = np.array([np.pi / 2, 0.0, 0.0])  # link 1 along +y, the others straight on
START = UPRIGHT + np.array([0.12, -0.2, 0.15])  # rad


def chain():
    """Three of the program's links (length 1, mass 1), gravity 9.80665 m/s^2 along -y."""
    link = pendula.Link(a=1.0, mass=1.0, centre_of_mass=(0.5, 0, 0),
                        inertia=(0.01, 0, 0, 0.33, 0, 0.33))
    return pendula.Chain([link] * N, trigonometry="exact")


def gain(model):
    """K of u = -K (x - x*), x = (p, q): the linearisation x' = J x + B u at the equilibrium,
    B = (I; 0) (torques are generalized forces on p), weights Q on the angles and rates, R."""
    d = model.derivatives(np.zeros(N), UPRIGHT)
    J = np.block([[d["dpdot_dp"], d["dpdot_dq"]], [d["dqdot_dp"], d["dqdot_dq"]]])
    B = np.vstack([np.eye(N), np.zeros((N, N))])
    Q = np.diag([1.0] * N + [100.0] * N)
    R = np.eye(N) * 0.1
    P = solve_continuous_are(J, B, Q, R)
    return np.linalg.solve(R, B.T @ P), J


def simulate(model, K):
    """The closed loop from START at rest, its angles and torques at every step."""
    p, q = np.zeros(N), START.copy()
    times, angles, torques = [], [], []
    for k in range(int(round(SECONDS / H))):
        u = -K @ np.concatenate([p, q - UPRIGHT])
        times.append(k * H)
        angles.append(q.copy())
        torques.append(u)
        model.step(p, q, H, torques=u, method="rk4")
    return np.array(times), np.array(angles), np.array(torques)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("output", nargs="?", default=".")
    output = parser.parse_args().output
    if os.path.isdir(output):
        output = os.path.join(output, "lqr.png")
    model = chain()
    K, J = gain(model)
    B = np.vstack([np.eye(N), np.zeros((N, N))])
    opened, closed = np.linalg.eigvals(J).real.max(), np.linalg.eigvals(J - B @ K).real.max()
    print("largest real part of an eigenvalue: open loop %.3f 1/s, closed %.3f 1/s"
          % (opened, closed))
    times, angles, torques = simulate(model, K)
    error = np.abs(angles[-1] - UPRIGHT).max()
    print("after %.0f s: largest angle from upright %.2e rad" % (SECONDS, error))
    figure, (top, bottom) = plt.subplots(2, 1, figsize=(8, 6), sharex=True)
    for j in range(N):
        top.plot(times, angles[:, j] - UPRIGHT[j], label=f"joint {j + 1}")
        bottom.plot(times, torques[:, j], label=f"joint {j + 1}")
    top.set_ylabel("angle from upright (rad)")
    bottom.set_ylabel("joint torque (N m)")
    bottom.set_xlabel("time (s)")
    top.set_title("Three inverted links balanced by LQR on pendula's exact linearisation")
    for axes in (top, bottom):
        axes.axhline(0.0, color="0.7", linewidth=0.8)
        axes.legend(loc="upper right")
    figure.tight_layout()
    figure.savefig(output, dpi=100)


if __name__ == "__main__":
    main()
