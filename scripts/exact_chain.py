"""The program's chain written from its geometry, with exact trigonometry: the dense mass matrix
A(q), the potential, H(q, p) = 1/2 p^T A(q)^-1 p + V(q), the rates from Lagrange's equations,
the linear modes about the hanging rest, and classical Runge-Kutta. It shares nothing with
dynamics/ and knows nothing of spatial vectors or the sine table; scripts/plot-algorithm.py
compares the program with it.
"""
import math

import numpy as np

LINKS = 20

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
