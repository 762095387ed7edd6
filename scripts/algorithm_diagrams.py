"""The two diagrams of docs/algorithm.md: the frames and transform of one link, and one
evaluation over a chain of three links. Drawn, not measured; scripts/plot-algorithm.py calls
them.
"""
import math

import matplotlib.pyplot as plt
import numpy as np
from matplotlib.patches import FancyArrowPatch, Polygon, Rectangle


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
    width = 3.2

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

    # The four stages as ForwardDynamics runs them: (y, height, title, the stage's function in
    # dynamics/chain/evaluation.h, boxes, direction of the arrows, their labels, colour).
    rows = [
        (7.75, 0.7, "stage 1\nany order", "SinesAndCosines", {
            1: r"$s_1, c_1$ from the table", 2: r"$s_2, c_2$", 3: r"$s_3, c_3$"}, 0, [],
         "tab:gray"),
        (6.45, 1.25, "stage 2\ninward", "ArticulatedInertiasAndBiases", {
            1: r"$M_1 = I_1 + X_2 P_2 X_2^T$" "\n" r"$\beta_1 = X_2(\beta_2 + U_2\lambda_2)$",
            2: r"$M_2 = I_2 + X_3 P_3 X_3^T$" "\n" r"$\beta_2 = X_3(\beta_3 + U_3\lambda_3)$",
            3: r"$M_3 = I_3$,  $\beta_3 = 0$" "\n"
               r"$P_3 = M_3 - U_3U_3^T/D_3$"}, -1,
         [r"$X_2P_2X_2^T$" "\n\n\n" r"$X_2(\beta_2 + U_2\lambda_2)$",
          r"$X_3P_3X_3^T$" "\n\n\n" r"$X_3(\beta_3 + U_3\lambda_3)$"], "tab:blue"),
        (4.1, 2.3, "stage 3\noutward",
         "PropagateVelocities: rates, velocity terms, gravity, loads", {
            k: (rf"$v'_{k} = X_{k}^T v_{k - 1}$" + (r",  $v_0 = 0$" if k == 1 else "") + "\n"
                rf"$\dot q_{k} = (p_{k} - \beta_{{{k},5}} - U_{k}^T v'_{k})/D_{k}$" "\n"
                rf"$v_{k} = v'_{k} + S\dot q_{k}$" "\n"
                rf"$c_{k} = (v_{k} \times^{{*}} (M_{k}v_{k} + \beta_{k}))_5$" "\n"
                rf"$g_{k} = E_{k}^T g_{k - 1}$" "\n"
                rf"$l_{k} = w_{k} + S(\tau_{k} - b\dot q_{k})$")
            for k in (1, 2, 3)}, +1,
         [r"$v_1$" "\n\n\n" r"$g_1$", r"$v_2$" "\n\n\n" r"$g_2$"], "tab:orange"),
        (1.65, 1.25, "stage 4\ninward", "SumInward, each joint's applied torque held", {
            1: r"$F_1 = l_1 + X_2(F_2 - S\tau_2)$" "\n" r"$\dot p_1 = F_{1,5} - c_1$",
            2: r"$F_2 = l_2 + X_3(F_3 - S\tau_3)$" "\n" r"$\dot p_2 = F_{2,5} - c_2$",
            3: r"$F_3 = l_3$" "\n" r"$\dot p_3 = F_{3,5} - c_3$"}, -1,
         [r"$X_2(F_2 - S\tau_2)$", r"$X_3(F_3 - S\tau_3)$"], "tab:green"),
    ]
    for y, height, title, function, cells, direction, labels, colour in rows:
        axes.text(0.15, y, title, va="center", fontsize=10.5, color=colour, weight="bold")
        axes.text(columns[1] - width / 2, y + height / 2 + 0.06, function, va="bottom",
                  fontsize=8.5, color=colour, family="monospace")
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
                          fontsize=8.5 if len(label) < 16 else 7.5, color=colour)
    axes.text(0.15, -0.05,
              r"Link $k$ works in its own frame, about its origin.  $U = M S$, $D = S^TMS$"
              r" (column 5 and entry (5,5) of $M$),  $\lambda_k = (p_k - \beta_{k,5})/D_k$."
              "\n"
              r"$I_k$ = rigid-body inertia,  $w_k$ = weight of link $k$,  $b$ = friction"
              r" coefficient,  $S = e_5$ = the joint axis,  $c_k$ the velocity term of $\dot p_k$."
              "\n"
              r"$\tau_k$ = torque applied at joint $k$ (the program: the drive $\tau$ on joint 1,"
              r" 0 elsewhere), on link $k$ and, as the reaction, on link $k-1$;"
              r"  friction $-b\dot q_k$ acts on link $k$ alone.",
              fontsize=9.5)
    axes.set_title("One evaluation (p, q) → (ṗ, q̇) of a chain of three links: each row is "
                   "one stage, each box what the stage forms of one link", fontsize=12)
    figure.savefig(path, dpi=100, bbox_inches="tight")
    plt.close(figure)
    print(f"wrote {path}")
