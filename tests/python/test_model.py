"""pendula.Joint and pendula.Model, trees built at run time: a slider and a pendulum in closed
form, a random tree's mass matrix against its momenta and rates, batches against single calls,
pickling, the refusals, and a URDF robot's energy."""
import os
import pickle

import numpy as np
import pytest

import pendula
from conftest import assert_same_bits

G = 9.80665
WAM = "/usr/share/doc/dart/data/urdf/wam/wam.urdf"


def random_tree(n, seed):
    """n joints of random kinds, axes, placements, bodies and damping, each on a random earlier
    joint or the base; inertias about the centre of mass with principal moments that form a
    triangle, their axes turned at random."""
    rng = np.random.default_rng(seed)
    joints = []
    for i in range(n):
        x, y, z = rng.uniform(0.001, 0.05, 3)
        axes, _ = np.linalg.qr(rng.normal(size=(3, 3)))
        inertia = (axes @ np.diag([y + z, x + z, x + y]) @ axes.T)[np.triu_indices(3)]
        joints.append(pendula.Joint(
            f"j{i}", int(rng.integers(-1, i)), kind=("revolute", "prismatic")[rng.random() < 0.3],
            axis=rng.normal(size=3), xyz=rng.uniform(-0.5, 0.5, 3), rpy=rng.uniform(-3, 3, 3),
            mass=rng.uniform(0.5, 2.0), centre_of_mass=rng.uniform(-0.3, 0.3, 3),
            inertia=inertia, damping=rng.uniform(0.0, 0.5)))
    return pendula.Model(joints, gravity=(1.0, -2.0, -9.8))


def test_a_slider_and_a_pendulum_in_closed_form():
    m, l, iyy = 2.0, 0.7, 0.3
    model = pendula.Model([
        pendula.Joint("slider", -1, kind="prismatic", mass=m, inertia=(0.1, 0, 0, 0.1, 0, 0.1)),
        pendula.Joint("pendulum", -1, axis=(0, 1, 0), mass=m, centre_of_mass=(l, 0, 0),
                      inertia=(0.2, 0, 0, iyy, 0, 0.2))])
    rng = np.random.default_rng(1)
    momenta, positions = rng.normal(0, 2, (5, 2)), rng.uniform(-3, 3, (5, 2))
    inertia = np.array([m, iyy + m * l * l])
    np.testing.assert_allclose(model.mass_matrix(positions), np.broadcast_to(np.diag(inertia),
                                                                             (5, 2, 2)), atol=1e-14)
    momentum_rates, rates = model.forward_dynamics(momenta, positions)
    np.testing.assert_allclose(rates, momenta / inertia, rtol=1e-14)
    np.testing.assert_allclose(momentum_rates[:, 0], -m * G, rtol=1e-14)
    np.testing.assert_allclose(momentum_rates[:, 1], m * G * l * np.cos(positions[:, 1]),
                               rtol=1e-12, atol=1e-13)


def test_a_random_trees_mass_matrix_gives_its_momenta_and_rates():
    model = random_tree(9, 2)
    rng = np.random.default_rng(3)
    positions, rates = rng.uniform(-2, 2, (6, 9)), rng.normal(0, 1, (6, 9))
    matrices = model.mass_matrix(positions)
    momenta = model.momenta(positions, rates)
    np.testing.assert_allclose(np.einsum("nij,nj->ni", matrices, rates), momenta, rtol=1e-11,
                               atol=1e-12)
    np.testing.assert_allclose(model.forward_dynamics(momenta, positions)[1], rates, rtol=1e-9,
                               atol=1e-11)
    chain = pendula.Chain([pendula.Link(a=1.0, d=0.2, alpha=0.3, mass=1.0,
                                        centre_of_mass=(0.5, 0.0, 0.0),
                                        inertia=(0.01, 0.0, 0.0, 0.33, 0.0, 0.33))] * 4)
    angles, chain_rates = positions[:, :4], rates[:, :4]
    np.testing.assert_allclose(np.einsum("nij,nj->ni", chain.mass_matrix(angles), chain_rates),
                               chain.momenta(angles, chain_rates), rtol=1e-13, atol=1e-14)


def test_batch_rows_are_single_calls_and_pickles_are_the_model():
    model = random_tree(6, 4)
    rebuilt = pickle.loads(pickle.dumps(model))
    assert rebuilt == model and rebuilt.joints == model.joints and rebuilt is not model
    assert hash(rebuilt) == hash(model) and rebuilt != random_tree(6, 5)
    rng = np.random.default_rng(5)
    momenta, positions = rng.normal(0, 1, (7, 6)), rng.uniform(-2, 2, (7, 6))
    torques = rng.normal(0, 1, (7, 6))
    calls = [lambda m, p, q, t: m.mass_matrix(q), lambda m, p, q, t: m.momenta(q, p),
             lambda m, p, q, t: m.forward_dynamics(p, q, t), lambda m, p, q, t: m.energy(p, q),
             lambda m, p, q, t: m.frame_origins(q)]
    for call in calls:
        batch = call(model, momenta, positions, torques)
        for i in range(7):
            single = call(rebuilt, momenta[i], positions[i], torques[i])
            for a, b in zip(*(x if isinstance(x, tuple) else (x,) for x in (batch, single))):
                assert_same_bits(a[i], b)
    for method in ("heun", "rk4", "midpoint"):
        singles = [(momenta[i].copy(), positions[i].copy()) for i in range(7)]
        for state, tau in zip(singles, torques):
            model.step(*state, 0.01, tau, method)
        for threads in (1, 2):
            p, q = momenta.copy(), positions.copy()
            model.step(p, q, 0.01, torques, method, threads=threads)
            for i, (p_i, q_i) in enumerate(singles):
                assert_same_bits(p[i], p_i)
                assert_same_bits(q[i], q_i)


SLIDER = pendula.Joint("slider", -1, kind="prismatic", mass=1.0, inertia=(0.1, 0, 0, 0.1, 0, 0.1))
TWO = pendula.Model([SLIDER, pendula.Joint("arm", 0, axis=(0, 1, 0), mass=1.0,
                                           centre_of_mass=(0.5, 0, 0),
                                           inertia=(0.1, 0, 0, 0.1, 0, 0.1))])
BAD = [
    (lambda: pendula.Joint("a", -1, inertia=(0,) * 6), TypeError, "requires mass="),
    (lambda: pendula.Joint("a", -1, mass=1.0), TypeError, "requires inertia="),
    (lambda: pendula.Joint("a", -1, kind="ball", mass=1.0, inertia=(0,) * 6), ValueError,
     'kind must be "revolute" or "prismatic"'),
    (lambda: pendula.Model([SLIDER, pendula.Joint("b", 3, mass=1.0, inertia=(0,) * 6)]),
     ValueError, "joints[1] (b).parent"),
    (lambda: pendula.Model([SLIDER, "b"]), TypeError, "joints[1] must be a pendula.Joint"),
    (lambda: pendula.Model([SLIDER], trigonometry="fast"), ValueError, "trigonometry must be"),
    (lambda: pendula.Model.from_urdf("/no/such/robot.urdf"), FileNotFoundError, "robot.urdf"),
    (lambda: pendula.Model.from_urdf(7), TypeError, "path must be a str or an os.PathLike"),
    (lambda: TWO.mass_matrix(np.zeros(3)), ValueError, "(2,) or (n, 2) for this model of 2"),
    (lambda: TWO.step(np.zeros(2).tolist(), np.zeros(2), 0.1), TypeError, "numpy.ndarray"),
    (lambda: TWO.step(np.zeros(2), np.zeros(2), 0.1, [0.0, np.nan]), ValueError,
     "torques[1] (joint arm) must be finite; got nan"),
    (lambda: TWO.step(np.zeros(2), np.zeros(2), 0.1, method="euler"), ValueError, "method must"),
    (lambda: TWO.step(np.ones((3, 2)), np.ones((3, 2)), 0.5, method="midpoint", max_iterations=1,
                      tolerance=1e-300), pendula.ConvergenceError,
     "did not converge for state 0, 1, 2 of 3; those states were not stepped"),
]


@pytest.mark.parametrize("call, error, message", BAD)
def test_bad_input_is_refused_with_what_was_expected(call, error, message):
    with pytest.raises(error) as refusal:
        call()
    assert message in str(refusal.value)


@pytest.mark.skipif(not os.path.exists(WAM), reason="no WAM URDF on this machine")
def test_a_urdf_robot_keeps_its_energy():
    model = pendula.Model.from_urdf(WAM)
    assert model.joint_count == 7 and model.name == "wam"
    assert all(joint.damping == 0.0 for joint in model.joints)  # so energy is conserved
    momenta = model.momenta(np.full(7, 0.3), np.linspace(-1.0, 1.0, 7))
    positions = np.full(7, 0.3)
    start = model.energy(momenta, positions)
    model.integrate(momenta, positions, 1.0, rtol=1e-10, atol=1e-12)
    assert abs(model.energy(momenta, positions) - start) <= 1e-8 * abs(start)
    assert pickle.loads(pickle.dumps(model)) == model
