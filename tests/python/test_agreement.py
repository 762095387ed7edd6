"""The module against the C++ interface, bit for bit, and its energy against an independent
computation."""
import threading
import time

import numpy as np
import pytest

import pendula
from conftest import assert_same_bits, cpp_reference


@pytest.mark.parametrize("friction, torque", [(5.0, 0.0), (0.0, 0.0), (1.3, -100.0)])
def test_every_function_gives_the_cpp_interface_bits(random_states, friction, torque):
    momenta, angles, rates = random_states
    expected = cpp_reference(momenta, angles, rates, friction, torque)

    stepped_momenta, stepped_angles = momenta.copy(), angles.copy()
    pendula.step_chains(stepped_momenta, stepped_angles, friction, torque)
    assert_same_bits(stepped_momenta, expected["stepped_momenta"])
    assert_same_bits(stepped_angles, expected["stepped_angles"])

    momentum_rates, joint_rates = pendula.forward_dynamics(momenta, angles, friction, torque)
    assert_same_bits(momentum_rates, expected["momentum_rates"])
    assert_same_bits(joint_rates, expected["joint_rates"])
    assert_same_bits(pendula.momentum_initialisation(angles, rates), expected["initial_momenta"])
    assert_same_bits(pendula.sine_lookup(angles), expected["sines"])
    assert_same_bits(pendula.cosine_lookup(angles), expected["cosines"])

    # One chain as shape (20,), and scalars, give that chain's row.
    one_rates = pendula.forward_dynamics(momenta[5], angles[5], friction, torque)
    assert_same_bits(one_rates[0], expected["momentum_rates"][5])
    assert_same_bits(one_rates[1], expected["joint_rates"][5])
    assert_same_bits(pendula.momentum_initialisation(angles[5], rates[5]),
                     expected["initial_momenta"][5])
    assert pendula.sine_lookup(float(angles[5, 0])) == expected["sines"][5, 0]


def test_a_nan_chain_leaves_the_others_untouched(random_states):
    momenta, angles, _ = random_states
    clean_momenta, clean_angles = momenta.copy(), angles.copy()
    pendula.step_chains(clean_momenta, clean_angles)
    momenta[6, 11] = np.nan
    angles[20, 0] = np.inf
    pendula.step_chains(momenta, angles)
    others = np.setdiff1d(np.arange(momenta.shape[0]), [6, 20])
    assert_same_bits(momenta[others], clean_momenta[others])
    assert_same_bits(angles[others], clean_angles[others])
    assert np.isnan(momenta[6]).all() and np.isnan(momenta[20]).all()


def test_every_thread_count_gives_the_same_bits():
    # 1,000 chains: enough for the default rule to use every core; 7 threads are more than cores.
    rng = np.random.default_rng(21)
    momenta, angles = rng.normal(0.0, 10.0, (1000, 20)), rng.uniform(-np.pi, np.pi, (1000, 20))
    one_thread = (momenta.copy(), angles.copy())
    pendula.step_chains(*one_thread, 5.0, 100.0, threads=1)
    for threads in (None, 2, 7):
        state = (momenta.copy(), angles.copy())
        pendula.step_chains(*state, 5.0, 100.0, threads=threads)
        assert_same_bits(state[0], one_thread[0])
        assert_same_bits(state[1], one_thread[1])
    with pytest.raises(ValueError, match="threads"):
        pendula.step_chains(momenta, angles, threads=0)


def test_threads_get_what_serial_calls_get():
    # step_chains lets other threads run while it steps; they must not share its working storage.
    # The two workers step until the main thread has made its calls while both were stepping,
    # however fast or slow the machine; the serial reference then takes as many steps.
    momenta, angles = pendula.start_up_state()
    frictions = (5.0, 1.0)
    threaded = [(momenta.copy(), angles.copy()) for _ in frictions]
    steps = [0 for _ in frictions]
    probed = threading.Event()

    def step(index):
        while steps[index] < 40 or not probed.is_set():
            pendula.step_chains(*threaded[index], frictions[index])
            steps[index] += 1

    workers = [threading.Thread(target=step, args=(index,)) for index in range(len(frictions))]
    for worker in workers:
        worker.start()
    probe_momenta, probe_angles = momenta[:10].copy(), angles[:10].copy()
    expected_energy = pendula.energy(probe_momenta, probe_angles)
    try:
        while min(steps) == 0 and all(worker.is_alive() for worker in workers):
            time.sleep(0.001)
        for _ in range(100):
            assert_same_bits(pendula.energy(probe_momenta, probe_angles), expected_energy)
    finally:
        probed.set()
        for worker in workers:
            worker.join()
    for (momenta_t, angles_t), count, friction in zip(threaded, steps, frictions):
        momenta_s, angles_s = momenta.copy(), angles.copy()
        for _ in range(count):
            pendula.step_chains(momenta_s, angles_s, friction)
        assert_same_bits(momenta_t, momenta_s)
        assert_same_bits(angles_t, angles_s)


def test_start_up_state_is_the_programs():
    momenta, angles = pendula.start_up_state()
    assert momenta.shape == angles.shape == (pendula.CHAINS, pendula.LINKS)
    assert not momenta.any()
    assert (angles[:, 0] == 20.0 * np.arange(pendula.CHAINS)).all()
    assert not angles[:, 1:].any()


# The model's links: 1 kg, 1 m, centre of mass at 0.5 m, inertia about the joint 0.33 kg m^2.
MASS, LENGTH, CENTRE, INERTIA_ABOUT_JOINT, GRAVITY = 1.0, 1.0, 0.5, 0.33, 9.80665


def energy_from_geometry(angles, rates):
    """Energy of one chain from its geometry and joint rates, without the recursion: each link
    moves with the velocity of its joint and turns at its absolute rate."""
    link_angles = np.cumsum(angles)
    link_rates = np.cumsum(rates)
    directions = np.stack([np.cos(link_angles), np.sin(link_angles)], axis=1)
    normals = np.stack([-np.sin(link_angles), np.cos(link_angles)], axis=1)
    joint_positions = np.vstack([[0.0, 0.0], np.cumsum(LENGTH * directions, axis=0)[:-1]])
    joint_velocities = np.vstack(
        [[0.0, 0.0], np.cumsum(LENGTH * link_rates[:, None] * normals, axis=0)[:-1]])
    # T = 1/2 m |v_o|^2 + m v_o . (w x c) + 1/2 I_o w^2, about the joint origin o.
    kinetic = np.sum(0.5 * MASS * np.sum(joint_velocities**2, axis=1)
                     + MASS * link_rates * CENTRE * np.sum(joint_velocities * normals, axis=1)
                     + 0.5 * INERTIA_ABOUT_JOINT * link_rates**2)
    heights = joint_positions[:, 1] + CENTRE * directions[:, 1]
    return kinetic + np.sum(MASS * GRAVITY * heights), kinetic


def test_energy_agrees_with_the_geometry(random_states):
    _, angles, rates = random_states
    momenta = pendula.momentum_initialisation(angles, rates)
    energies = pendula.energy(momenta, angles)
    assert energies.shape == (angles.shape[0],)
    for i in range(angles.shape[0]):
        expected, kinetic = energy_from_geometry(angles[i], rates[i])
        # The dynamics takes its sines from a table (error below 6.3e-6), the geometry from
        # numpy; the potential part uses exact sines on both sides.
        assert energies[i] == pytest.approx(expected, rel=0, abs=1e-4 * kinetic + 1e-9)
        assert pendula.energy(momenta[i], angles[i]) == energies[i]


def test_energy_at_rest_is_the_weights_height():
    hanging = np.zeros(20)
    hanging[0] = -np.pi / 2
    # 20 links hanging straight down: centres of mass at -0.5, -1.5, ..., -19.5 m.
    assert pendula.energy(np.zeros(20), hanging) == pytest.approx(-GRAVITY * 200.0, abs=1e-9)
    assert pendula.energy(np.zeros(20), np.zeros(20)) == 0.0
