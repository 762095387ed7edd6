"""derivatives() of pendula.Chain and pendula.Model: a random twisted chain and a random tree
against central differences of forward_dynamics, A(q)^-1 from mass_matrix, the Hamiltonian
structure without friction or damping, a batch against its states alone, and the two-link
example of docs/algorithm.md in closed form and in the numbers printed there."""
import numpy as np

import pendula
from test_chain import random_chain
from test_model import random_tree

G = 9.80665
KEYS = ("dpdot_dp", "dpdot_dq", "dqdot_dp", "dqdot_dq")


def differences(rates_of, p, q, step=1e-5):
    """The four blocks by central differences of rates_of(p, q) -> (pdot, qdot)."""
    n = len(p)
    blocks = {key: np.zeros((n, n)) for key in KEYS}
    for j in range(2 * n):
        e = np.zeros(2 * n)
        e[j] = step
        up = rates_of(p + e[:n], q + e[n:])
        down = rates_of(p - e[:n], q - e[n:])
        column = [(u - d) / (2 * step) for u, d in zip(up, down)]
        by = "p" if j < n else "q"
        blocks[f"dpdot_d{by}"][:, j % n] = column[0]
        blocks[f"dqdot_d{by}"][:, j % n] = column[1]
    return blocks


def check(blocks, expected, mass_matrix, hamiltonian):
    for key in KEYS:
        scale = max(1.0, np.abs(expected[key]).max())
        np.testing.assert_allclose(blocks[key], expected[key], rtol=0, atol=1e-7 * scale,
                                   err_msg=key)
    n = len(mass_matrix)
    np.testing.assert_allclose(blocks["dqdot_dp"] @ mass_matrix, np.eye(n), atol=1e-10)
    if hamiltonian:
        for key in ("dqdot_dp", "dpdot_dq"):
            scale = np.abs(blocks[key]).max()
            np.testing.assert_allclose(blocks[key], blocks[key].T, rtol=0, atol=1e-12 * scale)
        np.testing.assert_allclose(blocks["dpdot_dp"], -blocks["dqdot_dq"].T, rtol=0,
                                   atol=1e-12 * np.abs(blocks["dqdot_dq"]).max())


def test_a_twisted_chain_and_a_tree_against_differences_and_structure():
    rng = np.random.default_rng(5)
    chain = random_chain(7, 3, trigonometry="exact")[0]
    model = random_tree(8, 4)
    for friction in (0.0, 0.8):
        p, q = rng.normal(0, 1, 7), rng.uniform(-3, 3, 7)
        blocks = chain.derivatives(p, q, friction=friction, torques=rng.normal(0, 1, 7))
        expected = differences(lambda pp, qq: chain.forward_dynamics(pp, qq, friction=friction),
                               p, q)
        check(blocks, expected, chain.mass_matrix(q), friction == 0.0)
    p, q = rng.normal(0, 1, 8), rng.uniform(-1, 1, 8)
    blocks = model.derivatives(p, q)
    check(blocks, differences(model.forward_dynamics, p, q), model.mass_matrix(q), False)


def test_a_batch_is_its_states_alone_bit_for_bit():
    rng = np.random.default_rng(6)
    chain = random_chain(5, 8)[0]
    p, q = rng.normal(0, 1, (3, 5)), rng.uniform(-3, 3, (3, 5))
    batch = chain.derivatives(p, q, friction=0.5, torques=rng.normal(0, 1, (3, 5)))
    for key in KEYS:
        assert batch[key].shape == (3, 5, 5)
    for i in range(3):
        alone = chain.derivatives(p[i], q[i], friction=0.5)
        for key in KEYS:
            assert alone[key].shape == (5, 5)
            assert alone[key].tobytes() == batch[key][i].tobytes()


def two_link_closed_form(p, q):
    """The program's link twice (length 1, mass 1, centre of mass at 0.5, inertia 0.33 about the
    joint), gravity g along -y: A, H, q_dot, p_dot, P = d(A v)/dq and the four blocks by hand."""
    (p1, p2), (q1, q2) = p, q
    s2, c2 = np.sin(q2), np.cos(q2)
    c1, s1, c12, s12 = np.cos(q1), np.sin(q1), np.cos(q1 + q2), np.sin(q1 + q2)
    A = np.array([[1.66 + c2, 0.33 + 0.5 * c2], [0.33 + 0.5 * c2, 0.33]])
    dA = [np.zeros((2, 2)), np.array([[-s2, -0.5 * s2], [-0.5 * s2, 0.0]])]
    ddA = np.array([[-c2, -0.5 * c2], [-0.5 * c2, 0.0]])  # d2A/dq2^2, the only one not zero
    Ainv = np.linalg.inv(A)
    qdot = Ainv @ p
    V = G * (1.5 * s1 + 0.5 * s12)
    H = 0.5 * p @ qdot + V
    dV = np.array([G * (1.5 * c1 + 0.5 * c12), G * 0.5 * c12])
    ddV = np.array([[-G * (1.5 * s1 + 0.5 * s12), -G * 0.5 * s12],
                    [-G * 0.5 * s12, -G * 0.5 * s12]])
    pdot = np.array([0.5 * qdot @ dA[i] @ qdot for i in range(2)]) - dV
    dqdot_dq = np.column_stack([-Ainv @ dA[j] @ qdot for j in range(2)])
    dpdot_dp = np.vstack([(dA[i] @ qdot) @ Ainv for i in range(2)])
    dpdot_dq = -ddV + np.array([[(0.5 * qdot @ ddA @ qdot if i == j == 1 else 0.0)
                                 + (dA[i] @ qdot) @ dqdot_dq[:, j] for j in range(2)]
                                for i in range(2)])
    P = np.column_stack([dA[0] @ qdot, dA[1] @ qdot])
    blocks = {"dpdot_dp": dpdot_dp, "dpdot_dq": dpdot_dq, "dqdot_dp": Ainv, "dqdot_dq": dqdot_dq}
    return A, H, qdot, pdot, P, blocks


def test_the_two_link_example_of_the_docs():
    link = pendula.Link(a=1.0, mass=1.0, centre_of_mass=(0.5, 0, 0),
                        inertia=(0.01, 0, 0, 0.33, 0, 0.33))
    chain = pendula.Chain([link, link], trigonometry="exact")
    p, q = np.array([1.2, -0.5]), np.array([0.4, 0.9])
    A, H, qdot, pdot, P, expected = two_link_closed_form(p, q)
    # G = d(pdot)/dq at fixed rates, by the bridge: dpdot/dq = G - P^T A^-1 P.
    Gq = expected["dpdot_dq"] + P.T @ np.linalg.solve(A, P)
    np.testing.assert_allclose(chain.mass_matrix(q), A, atol=1e-14)
    np.testing.assert_allclose(chain.energy(p, q), H, rtol=1e-13)
    rates = chain.forward_dynamics(p, q)
    np.testing.assert_allclose(rates[0], pdot, rtol=1e-12)
    np.testing.assert_allclose(rates[1], qdot, rtol=1e-12)
    blocks = chain.derivatives(p, q)
    for key in KEYS:
        np.testing.assert_allclose(blocks[key], expected[key], rtol=1e-12, atol=1e-13,
                                   err_msg=key)
    # As printed in docs/algorithm.md, to the digits printed there.
    printed = {
        "A": [[2.281610, 0.640805], [0.640805, 0.330000]],
        "P": [[0.0, 0.545749], [0.0, -0.819715]],
        "G": [[10.452973, 4.724639], [4.724639, 6.992441]],
        "qdot": [2.092907, -5.579227],
        "pdot": [-14.860418, 1.546156],
        "dpdot_dp": [[0.000000, 0.000000], [2.060690, -6.485502]],
        "dpdot_dq": [[10.452973, 4.724639], [4.724639, 0.551557]],
        "dqdot_dp": [[0.964066, -1.872055], [-1.872055, 6.665522]],
        "dqdot_dq": [[0.000000, -2.060690], [0.000000, 6.485502]],
    }
    actual = {"A": A, "P": P, "G": Gq, "qdot": qdot, "pdot": pdot, **blocks}
    for key, value in printed.items():
        np.testing.assert_allclose(actual[key], value, rtol=0, atol=5e-7, err_msg=key)
    np.testing.assert_allclose(H, 13.103524, atol=5e-7)
