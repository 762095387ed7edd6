#!/usr/bin/python3
"""The figures of docs/algorithm.md, and the numbers behind them.

  docs/algorithm-link.png   the frames of one link and the transform X_k (a, d, alpha, q_k)
  docs/algorithm-pass.png   one evaluation over a chain of three links, stage by stage
  docs/algorithm-table.png  what the sine table does: the momentum rate as a staircase in q, and
                            the energy of a frictionless fall, table against exact trigonometry
  docs/algorithm-heun.png   what the fixed Heun step does: the gain on the fastest linear mode,
                            and the energy change per step against the fastest joint's turn

The two measured figures run the dynamics of the Python module (the program's own evaluation
and step) and, for comparison, an independent model of the same chain written here from its
geometry with exact sines and cosines (dense mass matrix, Lagrange's equations). Every number
that docs/algorithm.md quotes from these runs is printed.

From the repository root, after building the module (cmake --build build --target
pendula_python), with Debian's python3-matplotlib and python3-numpy:
    PYTHONPATH=build/python /usr/bin/python3 scripts/plot-algorithm.py [--only NAME] [--out DIR]
NAME is one of link, pass, table, heun; all four by default (about two minutes, most of it the
exact-trigonometry reference run of the table figure).
"""
import argparse
import math
import os

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (the backend must be chosen first)
import numpy as np  # noqa: E402
from matplotlib.patches import FancyArrowPatch, Polygon, Rectangle  # noqa: E402

import pendula  # noqa: E402

LINKS = pendula.LINKS
H_STEP = pendula.STEP_SIZE
TABLE_STEP = 6.283185307179586 / 999999  # SineStep

# ---------------------------------------------------------------------------------------------
# The independent model: the chain from its geometry, exact trigonometry.

MASS = 1.0
GRAVITY = 9.80665
INERTIA_ABOUT_CENTRE = 0.33 - MASS * 0.5**2  # 0.08; 0.33 about the joint
_J = np.arange(LINKS)
_OUTBOARD = _J[:, None] <= _J[None, :]  # [a, i]: link i lies outboard of joint a
_MAX_JOINT = np.maximum(_J[:, None, None], _J[None, None, :])  # [a, ., b]: max(a, b)
_TERMS = (_J[None, :, None] >= _J[:, None, None]) & (_J[None, None, :] <= _J[None, :, None])


def geometry(q):
    """Joint positions j_i (joint i at the start of link i) and centres of mass c_i."""
    phi = np.cumsum(q)
    cos, sin = np.cos(phi), np.sin(phi)
    jx = np.concatenate([[0.0], np.cumsum(cos)[:-1]])
    jy = np.concatenate([[0.0], np.cumsum(sin)[:-1]])
    return jx, jy, jx + 0.5 * cos, jy + 0.5 * sin


def mass_matrix(q):
    """A(q) and the Jacobians of the centres' velocities, dc_i/dq_a = z x (c_i - j_a)."""
    jx, jy, cx, cy = geometry(q)
    jac_x = np.where(_OUTBOARD, -(cy[None, :] - jy[:, None]), 0.0)
    jac_y = np.where(_OUTBOARD, cx[None, :] - jx[:, None], 0.0)
    turns = INERTIA_ABOUT_CENTRE * (LINKS - np.maximum.outer(_J, _J))
    return MASS * (jac_x @ jac_x.T + jac_y @ jac_y.T) + turns, jac_x, jac_y


def potential(q):
    return MASS * GRAVITY * geometry(q)[3].sum()


def hamiltonian(q, p):
    """H = 1/2 p^T A(q)^-1 p + V(q), zero potential at the base's height."""
    return 0.5 * p @ np.linalg.solve(mass_matrix(q)[0], p) + potential(q)


def exact_rates(q, p):
    """(p_dot, q_dot) without friction or torque: q_dot = A^-1 p and p_dot = dL/dq at fixed
    q_dot, with dv_i/dq_a = -sum_{b<=i} q_dot_b (c_i - j_max(a,b)) for i >= a."""
    a_matrix, jac_x, jac_y = mass_matrix(q)
    q_dot = np.linalg.solve(a_matrix, p)
    jx, jy, cx, cy = geometry(q)
    vx, vy = jac_x.T @ q_dot, jac_y.T @ q_dot
    dx = np.where(_TERMS, cx[None, :, None] - jx[_MAX_JOINT], 0.0)
    dy = np.where(_TERMS, cy[None, :, None] - jy[_MAX_JOINT], 0.0)
    dvx, dvy = -(dx * q_dot).sum(2), -(dy * q_dot).sum(2)
    kinetic = MASS * (dvx * vx[None, :] + dvy * vy[None, :]).sum(1)
    weight = MASS * GRAVITY * np.where(_OUTBOARD, cx[None, :] - jx[:, None], 0.0).sum(1)
    return kinetic - weight, q_dot


def table_rates(q, p):
    """The program's evaluation, friction and torque zero."""
    return pendula.forward_dynamics(p, q, friction=0.0, torque=0.0)


def rk4(rates, q, p, h, seconds, every):
    """Classical Runge-Kutta in (q, p); returns times and the states every `every` steps."""
    steps = int(round(seconds / h))
    times, states = [0.0], [(q.copy(), p.copy())]
    for n in range(1, steps + 1):
        k1p, k1q = rates(q, p)
        k2p, k2q = rates(q + 0.5 * h * k1q, p + 0.5 * h * k1p)
        k3p, k3q = rates(q + 0.5 * h * k2q, p + 0.5 * h * k2p)
        k4p, k4q = rates(q + h * k3q, p + h * k3p)
        q = q + h / 6.0 * (k1q + 2.0 * k2q + 2.0 * k3q + k4q)
        p = p + h / 6.0 * (k1p + 2.0 * k2p + 2.0 * k3p + k4p)
        if n % every == 0:
            times.append(n * h)
            states.append((q.copy(), p.copy()))
    return np.array(times), states


# ---------------------------------------------------------------------------------------------
# Diagrams.


def rot_x(alpha):
    c, s = math.cos(alpha), math.sin(alpha)
    return np.array([[1, 0, 0], [0, c, -s], [0, s, c]])


def rot_z(theta):
    c, s = math.cos(theta), math.sin(theta)
    return np.array([[c, -s, 0], [s, c, 0], [0, 0, 1]])


def draw_link(path):
    figure = plt.figure(figsize=(13, 6.2))
    side = figure.add_subplot(1, 2, 1)
    # Seen along x_{k-1}: the shift a runs towards the viewer, then the twist alpha about x and
    # the offset -d along the twisted z axis, which is joint k's axis z_k.
    alpha, d = math.radians(35), 0.9
    corner = np.array([0.0, 0.0])

    def axis2(origin2, direction, colour, label, length=1.1, style="-"):
        end2 = origin2 + length * np.asarray(direction)
        side.annotate("", end2, origin2, arrowprops=dict(arrowstyle="-|>", color=colour, lw=1.8,
                                                          ls=style))
        side.text(*(origin2 + (length + 0.14) * np.asarray(direction)), label, color=colour,
                  fontsize=12, ha="center", va="center")

    axis2(corner, (1, 0), "tab:blue", r"$y_{k-1}$")
    axis2(corner, (0, 1), "tab:blue", r"$z_{k-1}$")
    twisted_y = (math.cos(alpha), math.sin(alpha))
    twisted_z = (-math.sin(alpha), math.cos(alpha))
    axis2(corner, twisted_y, "tab:purple", r"$y'$", length=0.8)
    child = corner - d * np.asarray(twisted_z)
    side.plot(*zip(corner, child), color="0.35", ls="--", lw=1.4)
    side.text(*(0.5 * (corner + child) + np.array([0.12, 0.05])), r"$d$", fontsize=13)
    axis2(child, twisted_z, "tab:red", r"$z_k$ (joint $k$)", length=2.2)
    angles = np.linspace(math.pi / 2, math.pi / 2 + alpha, 20)
    side.plot(0.55 * np.cos(angles), 0.55 * np.sin(angles), color="tab:purple", lw=1.8)
    side.text(0.68 * math.cos(math.pi / 2 + alpha / 2), 0.68 * math.sin(math.pi / 2 + alpha / 2),
              r"$\alpha$", color="tab:purple", fontsize=14, ha="center", va="center")
    side.plot(*corner, "o", mfc="white", mec="tab:blue", ms=12, mew=1.5)
    side.plot(*corner, ".", color="tab:blue", ms=6)
    side.text(-1.5, -0.45, r"$x_{k-1}$ points towards you;" "\n"
              r"$O_{k-1}$ lies $a$ behind the circle", fontsize=10, color="tab:blue", va="top")
    side.plot(*child, "o", color="tab:red", ms=6)
    side.text(*(child + np.array([-0.1, -0.18])), r"$O_k$", fontsize=12, ha="right")
    side.text(-1.55, -1.55,
              "Link $k$'s frame from its parent's: shift $a$ along $x_{k-1}$, twist $\\alpha$ "
              "about it,\nshift $-d$ along the twisted $z$ (now $z_k$), turn $q_k$ about $z_k$:\n"
              r"$E_k = R_x(\alpha)\,R_z(q_k)$,  $r_k = R_x(\alpha)\,(a, 0, -d)"
              r" = (a,\ d\sin\alpha,\ -d\cos\alpha)$", fontsize=10.5, va="top")
    side.set_aspect("equal")
    side.set_xlim(-1.6, 1.6)
    side.set_ylim(-2.3, 1.6)
    side.axis("off")
    side.set_title("Twist $\\alpha$ and offset $d$, seen along $x_{k-1}$ (both zero in the "
                   "program)", fontsize=11)

    plane = figure.add_subplot(1, 2, 2)
    phi_parent, q_k = math.radians(-12), math.radians(75)
    o_parent = np.array([0.0, 0.0])
    e_parent = np.array([math.cos(phi_parent), math.sin(phi_parent)])
    o_k = o_parent + 1.0 * e_parent
    phi_k = phi_parent + q_k
    e_k = np.array([math.cos(phi_k), math.sin(phi_k)])

    def box(start, angle, colour):
        c, s = math.cos(angle), math.sin(angle)
        corners = np.array([[0, -0.06], [1, -0.06], [1, 0.06], [0, 0.06]])
        turned = corners @ np.array([[c, s], [-s, c]]) + start
        plane.add_patch(Polygon(turned, closed=True, fc=colour, ec="0.3", alpha=0.45))

    def frame(origin2, angle, colour, name, length):
        for turn, axis in [(0.0, "x"), (math.pi / 2, "y")]:
            direction = np.array([math.cos(angle + turn), math.sin(angle + turn)])
            plane.annotate("", origin2 + length * direction, origin2,
                           arrowprops=dict(arrowstyle="-|>", color=colour, lw=1.8))
            plane.text(*(origin2 + (length + 0.09) * direction), rf"${axis}_{{{name}}}$",
                       color=colour, fontsize=12, ha="center", va="center")
        plane.plot(*origin2, "o", mfc="white", mec=colour, ms=11, mew=1.5)
        plane.plot(*origin2, ".", color=colour, ms=5)

    box(o_parent, phi_parent, "tab:blue")
    box(o_k, phi_k, "tab:red")
    frame(o_parent, phi_parent, "tab:blue", "k-1", 0.55)
    frame(o_k, phi_k, "tab:red", "k", 0.33)
    plane.plot(*zip(o_k, o_k + 0.75 * e_parent), color="tab:blue", ls=":", lw=1.2)
    angles = np.linspace(phi_parent, phi_k, 30)
    plane.plot(o_k[0] + 0.3 * np.cos(angles), o_k[1] + 0.3 * np.sin(angles), color="tab:green",
               lw=1.8)
    middle = 0.5 * (phi_parent + phi_k)
    plane.text(o_k[0] + 0.38 * math.cos(middle), o_k[1] + 0.38 * math.sin(middle), r"$q_k$",
               color="tab:green", fontsize=13, va="center")
    plane.text(*(0.5 * (o_parent + o_k) + np.array([0.02, -0.17])), r"$a = 1$", fontsize=12)
    centre = o_k + 0.5 * e_k
    plane.plot(*centre, "ko", ms=5)
    plane.text(*(centre + np.array([0.1, -0.04])), "centre of mass\n" r"$r_c = (0.5, 0, 0)$",
               fontsize=10.5, ha="left", va="top")
    plane.annotate("", centre + np.array([0, -0.8]), centre,
                   arrowprops=dict(arrowstyle="-|>", color="0.2", lw=1.6))
    plane.text(*(centre + np.array([0.05, -0.8])), r"weight $m\,g$", fontsize=11, va="center")
    plane.text(*(o_parent + np.array([-0.1, -0.22])), r"joint $k-1$", fontsize=10, ha="center")
    plane.text(*(o_k + np.array([-0.05, -0.25])), r"joint $k$", fontsize=10, ha="center")
    plane.text(-0.35, -1.02,
               "The program's links: $\\alpha = 0$, $d = 0$, every axis $z$ out of the page.\n"
               "Motion parent $\\to$ child: $v'_k = X_k^T v_{k-1}$;  force child $\\to$ parent: "
               "$X_k f$,\n$X_k = [[E_k, 0], [[r_k]_\\times E_k, E_k]]$ (linear part first), "
               "$S = e_5$ (rotation about $z_k$).", fontsize=10.5, va="top")
    plane.set_aspect("equal")
    plane.set_xlim(-0.45, 2.1)
    plane.set_ylim(-1.35, 1.55)
    plane.axis("off")
    plane.set_title("The same transform in the plane of the program's chains", fontsize=11)
    figure.tight_layout()
    figure.savefig(path, dpi=100)
    plt.close(figure)
    print(f"wrote {path}")


def draw_pass(path):
    figure, axes = plt.subplots(figsize=(13.5, 9.6))
    axes.set_xlim(0, 13.5)
    axes.set_ylim(0, 9.6)
    axes.axis("off")
    columns = {1: 3.0, 2: 7.1, 3: 11.2}
    width, height = 3.2, 1.25

    # the chain itself, base on the left
    axes.add_patch(Rectangle((0.55, 8.55), 0.25, 0.8, fc="0.75", ec="0.3", hatch="///"))
    axes.text(0.67, 8.35, "base\n(body 0)", ha="center", va="top", fontsize=9)
    start = np.array([0.8, 8.95])
    for k in (1, 2, 3):
        end = np.array([columns[k] + 1.3, 8.95 + 0.18 * (-1) ** k])
        axes.plot(*zip(start, end), color="tab:gray", lw=9, solid_capstyle="round", alpha=0.6)
        axes.plot(*start, "o", mfc="white", mec="k", ms=9)
        axes.text(*(0.5 * (start + end) + np.array([0, 0.22])), f"link {k}", ha="center",
                  fontsize=10)
        axes.text(*(start + np.array([0.12 if k == 1 else 0.0, -0.36])), f"joint {k}",
                  ha="left" if k == 1 else "center", fontsize=8.5)
        start = end
    axes.text(start[0] + 0.15, start[1], "tip", va="center", fontsize=9)

    rows = [
        (7.45, "stages 1, 2\noutward", {
            1: r"$s_1, c_1$ from the table" "\n" r"$g_1 = E_1^T g_0$",
            2: r"$s_2, c_2$" "\n" r"$g_2 = E_2^T g_1$",
            3: r"$s_3, c_3$" "\n" r"$g_3 = E_3^T g_2$"}, +1, [r"$g_1$", r"$g_2$"], "tab:gray"),
        (5.85, "stage 3\ninward", {
            1: r"$M_1 = I_1 + X_2 P_2 X_2^T$" "\n" r"$\beta_1 = X_2(\beta_2 + U_2\lambda_2)$",
            2: r"$M_2 = I_2 + X_3 P_3 X_3^T$" "\n" r"$\beta_2 = X_3(\beta_3 + U_3\lambda_3)$",
            3: r"$M_3 = I_3$,  $\beta_3 = 0$" "\n"
               r"$P_3 = M_3 - U_3U_3^T/D_3$"}, -1,
         [r"$X_2P_2X_2^T$" "\n\n\n" r"$X_2(\beta_2 + U_2\lambda_2)$",
          r"$X_3P_3X_3^T$" "\n\n\n" r"$X_3(\beta_3 + U_3\lambda_3)$"], "tab:blue"),
        (4.25, "stage 4\noutward", {
            1: r"$v'_1 = X_1^T v_0$,  $v_0 = 0$" "\n"
               r"$\dot q_1 = (p_1 - \beta_{1,5} - U_1^T v'_1)/D_1$" "\n"
               r"$v_1 = v'_1 + S\dot q_1$",
            2: r"$v'_2 = X_2^T v_1$" "\n" r"$\dot q_2 = (p_2 - \beta_{2,5} - U_2^T v'_2)/D_2$"
               "\n" r"$v_2 = v'_2 + S\dot q_2$",
            3: r"$v'_3 = X_3^T v_2$" "\n" r"$\dot q_3 = (p_3 - \beta_{3,5} - U_3^T v'_3)/D_3$"
               "\n" r"$v_3 = v'_3 + S\dot q_3$"}, +1, [r"$v_1$", r"$v_2$"], "tab:orange"),
        (2.65, "stages 5, 6\ninward", {
            1: r"$l_1 = w_1 + S(\tau - b\dot q_1)$" "\n" r"$F_1 = l_1 + X_2F_2$",
            2: r"$l_2 = w_2 + S(-b\dot q_2)$" "\n" r"$F_2 = l_2 + X_3F_3$",
            3: r"$l_3 = w_3 + S(-b\dot q_3)$" "\n" r"$F_3 = l_3$"}, -1,
         [r"$X_2F_2$", r"$X_3F_3$"], "tab:green"),
        (1.05, "stage 7\neach link", {
            k: rf"$\dot p_{k} = F_{{{k},5}} - (v_{k} \times^{{*}} (M_{k}v_{k} + \beta_{k}))_5$"
            for k in (1, 2, 3)}, 0, [], "tab:red"),
    ]
    for y, title, cells, direction, labels, colour in rows:
        axes.text(0.15, y, title, va="center", fontsize=10.5, color=colour, weight="bold")
        for k, text in cells.items():
            x = columns[k]
            axes.add_patch(Rectangle((x - width / 2, y - height / 2), width, height, fc="white",
                                     ec=colour, lw=1.6))
            axes.text(x, y, text, ha="center", va="center", fontsize=9.5)
        for n, label in enumerate(labels):
            left, right = columns[n + 1] + width / 2, columns[n + 2] - width / 2
            start, end = (left, right) if direction > 0 else (right, left)
            axes.add_patch(FancyArrowPatch((start, y), (end, y), arrowstyle="-|>",
                                           mutation_scale=16, color=colour, lw=2.0))
            if "\n" in label:
                axes.text(0.5 * (left + right), y, label, ha="center", va="center",
                          fontsize=8.5, color=colour)
            else:
                axes.text(0.5 * (left + right), y + 0.12, label, ha="center", va="bottom",
                          fontsize=8.5, color=colour)
    axes.text(0.15, -0.05,
              r"Link $k$ works in its own frame, about its origin.  $U = M S$, $D = S^TMS$"
              r" (column 5 and entry (5,5) of $M$),  $\lambda_k = (p_k - \beta_{k,5})/D_k$."
              "\n"
              r"$I_k$ = rigid-body inertia,  $w_k$ = weight of link $k$,  $\tau$ drives joint 1,"
              r"  $b$ = friction coefficient,  $S = e_5$ = the joint axis.",
              fontsize=9.5)
    axes.set_title("One evaluation (p, q) → (ṗ, q̇) of a chain of three links: each row is "
                   "one pass, each box one link's step", fontsize=12)
    figure.savefig(path, dpi=100, bbox_inches="tight")
    plt.close(figure)
    print(f"wrote {path}")


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


def linear_modes():
    """Frequencies and shapes of the small oscillations about the hanging chain, exact
    trigonometry: K x = omega^2 A x with K the Hessian of V by central differences."""
    hanging = np.zeros(LINKS)
    hanging[0] = -math.pi / 2
    a_matrix = mass_matrix(hanging)[0]
    eps = 1e-4
    stiffness = np.zeros((LINKS, LINKS))
    unit = np.eye(LINKS)
    for i in range(LINKS):
        for j in range(LINKS):
            stiffness[i, j] = (potential(hanging + eps * (unit[i] + unit[j]))
                               - potential(hanging + eps * (unit[i] - unit[j]))
                               - potential(hanging - eps * (unit[i] - unit[j]))
                               + potential(hanging - eps * (unit[i] + unit[j]))) / (4 * eps**2)
    values, vectors = np.linalg.eig(np.linalg.solve(a_matrix, stiffness))
    order = np.argsort(values.real)
    return hanging, np.sqrt(values.real[order]), vectors.real[:, order]


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
