#!/usr/bin/python3
"""The figures of docs/algorithm.md, and the numbers behind them.

  docs/algorithm-link.png   the frames of one link and the transform X_k (a, d, alpha, q_k)
  docs/algorithm-pass.png   one evaluation over a chain of three links, stage by stage
  docs/algorithm-table.png  what the sine table does: the momentum rate as a staircase in q, and
                            the energy of a frictionless fall, table against exact trigonometry
  docs/algorithm-heun.png   what the fixed Heun step does: the gain on the fastest linear mode,
                            and the energy change per step against the fastest joint's turn

The two measured figures run the dynamics of the Python module (the program's own evaluation
and step) and, for comparison, an independent model of the same chain from its geometry with
exact sines and cosines (scripts/exact_chain.py: dense mass matrix, Lagrange's equations). Every
number that docs/algorithm.md quotes from these runs is printed.

From the repository root, after building the module (cmake --build build --target
pendula_python), with Debian's python3-matplotlib and python3-numpy:
    PYTHONPATH=build/python /usr/bin/python3 scripts/plot-algorithm.py [--only NAME] [--out DIR]
NAME is one of link, pass, table, heun; all four by default (about two minutes, most of it the
exact-trigonometry reference run of the table figure).
"""
import argparse
import os

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (the backend must be chosen first)
import numpy as np  # noqa: E402

import pendula  # noqa: E402
from algorithm_diagrams import draw_link, draw_pass  # noqa: E402
from exact_chain import (exact_rates, hamiltonian, linear_modes, mass_matrix,  # noqa: E402
                         potential, rk4)

LINKS = pendula.LINKS
H_STEP = pendula.STEP_SIZE
TABLE_STEP = 6.283185307179586 / 999999  # SineStep


def table_rates(q, p):
    """The program's evaluation, friction and torque zero."""
    return pendula.forward_dynamics(p, q, friction=0.0, torque=0.0)


# ---------------------------------------------------------------------------------------------
# Measurements.


def measure_table(path):
    # (a) p_dot_1 of a straight chain at rest as q_1 crosses a few table steps
    q0 = 0.3
    offsets = np.linspace(-3.0, 3.0, 1201) * TABLE_STEP
    angles = np.zeros((offsets.size, LINKS))
    angles[:, 0] = q0 + offsets
    momenta = np.zeros_like(angles)
    table, _ = pendula.forward_dynamics(momenta, angles, friction=0.0, torque=0.0)
    exact = np.array([exact_rates(a, np.zeros(LINKS))[0][0] for a in angles])
    reference = exact_rates(angles[600], np.zeros(LINKS))[0][0]
    jumps = np.abs(np.diff(table[:, 0]))
    steps = jumps[jumps > 0]
    slope = np.polyfit(offsets, exact, 1)[0]
    print(f"(a) q_1 near {q0} rad, straight chain at rest: p_dot_1 = {reference:.6f} N m "
          f"(exact trigonometry)")
    print(f"    table p_dot_1 changes only at {steps.size} places in 6 table steps of q_1; "
          f"jumps {steps.min():.3e} to {steps.max():.3e} N m; exact slope "
          f"{slope:.2f} N m/rad, times one table step {abs(slope) * TABLE_STEP:.3e} N m")
    print(f"    largest |table - exact| in the window: {np.abs(table[:, 0] - exact).max():.3e} N m")

    # (b) energy of a frictionless fall from the horizontal, rest, 10 s
    seconds, h_fine = 10.0, 4e-4
    q_start, p_start = np.zeros(LINKS), np.zeros(LINKS)
    h0 = hamiltonian(q_start, p_start)
    runs = {}
    for name, rates, h in [("exact trigonometry, RK4, h = 0.4 ms", exact_rates, h_fine),
                           ("sine table, RK4, h = 0.4 ms", table_rates, h_fine),
                           ("sine table, RK4, h = 0.2 ms", table_rates, h_fine / 2)]:
        times, states = rk4(rates, q_start, p_start, h, seconds, int(round(0.02 / h)))
        runs[name] = (times, np.array([hamiltonian(q, p) - h0 for q, p in states]))
    momenta, angles = p_start.reshape(1, -1).copy(), q_start.reshape(1, -1).copy()
    heun = [0.0]
    for _ in range(int(round(seconds / H_STEP))):
        pendula.step_chains(momenta, angles, friction=0.0)
        heun.append(hamiltonian(angles[0], momenta[0]) - h0)
    runs["sine table, Heun, h = 12 ms (the program)"] = (
        np.arange(len(heun)) * H_STEP, np.array(heun))
    print(f"(b) frictionless fall from the horizontal at rest, {seconds:.0f} s; "
          f"H - H(0) in J, with exact trigonometry:")
    for name, (times, errors) in runs.items():
        at = {t: errors[np.argmin(np.abs(times - t))] for t in (2.0, 5.0, 10.0)}
        print(f"    {name:44s} max |dH| {np.abs(errors).max():.3e}   at 2 s {at[2.0]:+.3e}"
              f"   at 5 s {at[5.0]:+.3e}   at 10 s {at[10.0]:+.3e}")

    figure, (staircase, energy) = plt.subplots(1, 2, figsize=(13, 5.2))
    staircase.plot(offsets / TABLE_STEP, (table[:, 0] - reference) * 1e3, color="tab:red",
                   drawstyle="steps-post", label="the program (sine table)")
    staircase.plot(offsets / TABLE_STEP, (exact - reference) * 1e3, color="tab:blue",
                   label="exact trigonometry")
    staircase.set_xlabel(r"$q_1 - 0.3$ rad, in table steps of $2\pi/999\,999$ rad")
    staircase.set_ylabel(r"$\dot p_1 - \dot p_1(0.3)$ [mN m]")
    staircase.set_title(r"$\dot p_1$ of the straight chain at rest: a staircase in $q_1$")
    staircase.grid(True, alpha=0.3)
    staircase.legend()
    styles = ["tab:blue", "tab:red", "tab:orange", "0.2"]
    for (name, (times, errors)), colour in zip(runs.items(), styles):
        energy.semilogy(times[1:], np.maximum(np.abs(errors[1:]), 1e-12), color=colour,
                        label=name, lw=1.3, ls=":" if "0.2 ms" in name else "-")
    energy.set_xlabel("simulated time [s]")
    energy.set_ylabel(r"energy error $|H(t) - H(0)|$ in J, exact $H$")
    energy.set_title("Frictionless fall of one chain from the horizontal")
    energy.set_ylim(1e-12, 1e4)
    energy.grid(True, alpha=0.3, which="both")
    energy.legend(fontsize=9, loc="lower right")
    figure.tight_layout()
    figure.savefig(path, dpi=100)
    plt.close(figure)
    print(f"wrote {path}")


def measure_heun(path):
    hanging, omega, shapes = linear_modes()
    a_matrix = mass_matrix(hanging)[0]
    gain = 1.0 + (omega * H_STEP) ** 4 / 4.0
    print(f"(c) modes about the hanging chain: omega_1 = {omega[0]:.4f}, omega_20 = "
          f"{omega[-1]:.4f} rad/s; omega_20 h = {omega[-1] * H_STEP:.4f}")
    print(f"    Heun energy factor per step |R(i omega h)|^2 = 1 + (omega h)^4/4: mode 1 "
          f"{gain[0]:.10f} ({gain[0] ** (1 / H_STEP):.7f} per second), mode 20 {gain[-1]:.5f} "
          f"({gain[-1] ** (1 / H_STEP):.3f} per second)")
    bottom = potential(hanging)
    seconds = 3.0
    steps = int(round(seconds / H_STEP))
    shape = shapes[:, -1] / np.abs(shapes[:, -1]).max()
    growth = {}
    for friction in (0.0, 1.0, 5.0):
        angles = (hanging + 1e-3 * shape).reshape(1, -1)
        momenta = np.zeros_like(angles)
        start = hamiltonian(angles[0], momenta[0]) - bottom
        ratios = [1.0]
        for _ in range(steps):
            pendula.step_chains(momenta, angles, friction=friction)
            ratios.append((hamiltonian(angles[0], momenta[0]) - bottom) / start)
        growth[friction] = np.array(ratios)
        # where the remaining energy lies: the modal energies of the final state
        coordinates = np.linalg.solve(shapes, angles[0] - hanging)
        rates = np.linalg.solve(shapes, np.linalg.solve(a_matrix, momenta[0]))
        modal_mass = np.diag(shapes.T @ a_matrix @ shapes)
        modal = 0.5 * modal_mass * (rates**2 + omega**2 * coordinates**2)
        n1 = int(round(1.0 / H_STEP))
        print(f"    mode 20, 1e-3 rad, friction {friction:g}: energy above the bottom x"
              f"{growth[friction][n1]:.4g} after {n1 * H_STEP:.3f} s, x{growth[friction][-1]:.4g}"
              f" after {steps * H_STEP:.3f} s (predicted without friction x{gain[-1] ** n1:.4g}, "
              f"x{gain[-1] ** steps:.4g}); at the end modes 1-3 hold "
              f"{modal[:3].sum() / modal.sum():.0%} of it, mode 20 {modal[-1] / modal.sum():.2%}")

    # the 100 chains at friction 0 from the start-up state, 10 s: energy change per step
    momenta, angles = pendula.start_up_state()
    energy = pendula.energy(momenta, angles)
    turns, changes = [], []
    for _ in range(int(round(10.0 / H_STEP))):
        _, rates = pendula.forward_dynamics(momenta, angles, friction=0.0, torque=0.0)
        turns.append(np.abs(rates).max(axis=1) * H_STEP)
        pendula.step_chains(momenta, angles, friction=0.0)
        after = pendula.energy(momenta, angles)
        changes.append(after - energy)
        energy = after
    turns, changes = np.array(turns), np.array(changes)
    finite = np.isfinite(changes).all(axis=0) & np.isfinite(turns).all(axis=0)
    print(f"(d) 100 chains, friction 0, from the start-up state, 10 s: {np.count_nonzero(~finite)}"
          f" chains overflow; the {np.count_nonzero(finite)} others change their energy by "
          f"{changes[:, finite].sum():.0f} J in all")
    turns, changes = turns[:, finite].ravel(), changes[:, finite].ravel()
    edges = [0.0, 0.05, 0.1, 0.2, 0.4, 0.8, 1.6, 10.0]
    sums, counts = [], []
    for low, high in zip(edges[:-1], edges[1:]):
        chosen = (turns >= low) & (turns < high)
        sums.append(changes[chosen].sum())
        counts.append(np.count_nonzero(chosen))
        print(f"    max|q_dot| h in [{low:g}, {high:g}) rad: {counts[-1]:6d} steps, "
              f"energy change {sums[-1]:+10.1f} J in all, {sums[-1] / max(counts[-1], 1):+9.4f} J"
              f" per step")

    # the program's restart: a chain whose angles or momenta are not all finite after a pass
    # gets its start-up state back
    for friction, torque, passes in ((0.0, 100.0, 1000), (0.0, 0.0, 2500), (1.0, 0.0, 2500),
                                     (5.0, 0.0, 2500), (5.0, 100.0, 2500)):
        momenta, angles = pendula.start_up_state()
        start_momenta, start_angles = momenta.copy(), angles.copy()
        restarts, first = 0, 0
        for n in range(1, passes + 1):
            pendula.step_chains(momenta, angles, friction=friction, torque=torque)
            broken = ~(np.isfinite(momenta).all(axis=1) & np.isfinite(angles).all(axis=1))
            if broken.any():
                restarts += np.count_nonzero(broken)
                first = first or n
                momenta[broken], angles[broken] = start_momenta[broken], start_angles[broken]
        when = f", the first after pass {first} ({first * H_STEP:.3f} s)" if restarts else ""
        print(f"(e) friction {friction:g}, torque {torque:g}, {passes} passes from the start-up "
              f"state with the program's restart: {restarts} restarts{when}")

    figure, (mode, steps_panel) = plt.subplots(1, 2, figsize=(13, 5.2))
    times = np.arange(steps + 1) * H_STEP
    for friction, colour in zip(growth, ["tab:red", "tab:orange", "tab:blue"]):
        mode.semilogy(times, growth[friction], color=colour,
                      label=f"the program, friction {friction:g}")
    mode.semilogy(times, gain[-1] ** np.arange(steps + 1), "k--", lw=1,
                  label=r"$(1 + (\omega_{20}h)^4/4)^{t/h}$")
    mode.set_xlabel("simulated time [s]")
    mode.set_ylabel("energy above the hanging rest / at start")
    mode.set_title(rf"Fastest linear mode ($\omega_{{20}}$ = {omega[-1]:.1f} rad/s, "
                   rf"$\omega_{{20}}h$ = {omega[-1] * H_STEP:.2f}), 1 mrad, Heun h = 12 ms")
    mode.grid(True, alpha=0.3, which="both")
    mode.legend(fontsize=9)
    labels = [f"{low:g}–{high:g}" for low, high in zip(edges[:-1], edges[1:])]
    bars = steps_panel.bar(labels, np.array(sums) / 1000.0,
                           color=["tab:red" if s > 0 else "tab:blue" for s in sums])
    bottom_kj = min(sums) / 1000.0 * 1.12
    steps_panel.set_ylim(bottom_kj, -0.35 * bottom_kj)
    for bar, count in zip(bars, counts):
        steps_panel.text(bar.get_x() + bar.get_width() / 2, 0.97 * bottom_kj, f"{count}\nsteps",
                         ha="center", va="bottom", fontsize=8.5)
    steps_panel.axhline(0, color="k", lw=0.8)
    steps_panel.set_xlabel(r"fastest joint's turn in the step, $\max_k |\dot q_k|\,h$ [rad]")
    steps_panel.set_ylabel("energy change summed over those steps [kJ]")
    steps_panel.set_title(f"Friction 0, start-up state, 10 s: the {np.count_nonzero(finite)} "
                          "chains that stay finite")
    steps_panel.grid(True, alpha=0.3, axis="y")
    figure.tight_layout()
    figure.savefig(path, dpi=100)
    plt.close(figure)
    print(f"wrote {path}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--only", choices=["link", "pass", "table", "heun"])
    parser.add_argument("--out", default="docs")
    arguments = parser.parse_args()
    jobs = {"link": draw_link, "pass": draw_pass, "table": measure_table, "heun": measure_heun}
    for name, job in jobs.items():
        if arguments.only in (None, name):
            job(os.path.join(arguments.out, f"algorithm-{name}.png"))


if __name__ == "__main__":
    main()
