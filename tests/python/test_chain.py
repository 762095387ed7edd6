"""pendula.Chain, a chain built at run time: the program's chain gives the module's bits, a
twisted 3-D chain gives the C++ interface's bits, bad descriptions and arrays are refused with a
message, and threads step one chain at the same time without sharing working data."""
import os
import subprocess
import threading

import numpy as np
import pytest

import pendula
from conftest import assert_same_bits


def random_chain(n, seed, trigonometry="table"):
    """n twisted, shifted links of random sizes, masses and inertias (principal moments that form
    a triangle, principal axes turned at random), and their description as 13 values a link."""
    rng = np.random.default_rng(seed)
    links, values = [], []
    for _ in range(n):
        mass = rng.uniform(0.5, 2.0)
        centre = np.array([rng.uniform(0.1, 0.6), *rng.uniform(-0.2, 0.2, 2)])
        x, y, z = rng.uniform(0.001, 0.05, 3)
        axes, _ = np.linalg.qr(rng.normal(size=(3, 3)))
        about_centre = axes @ np.diag([y + z, x + z, x + y]) @ axes.T
        about_origin = about_centre + mass * (centre @ centre * np.eye(3) - np.outer(centre, centre))
        inertia = about_origin[np.triu_indices(3)]
        a, d, alpha = rng.uniform(0.2, 1.0), rng.uniform(-0.5, 0.5), rng.uniform(-3.1, 3.1)
        links.append(pendula.Link(a=a, d=d, alpha=alpha, mass=mass, centre_of_mass=centre,
                                  inertia=inertia))
        values.append([a, d, alpha, mass, *centre, *inertia])
    gravity = (1.0, -9.8, 2.0)
    return pendula.Chain(links, gravity=gravity, trigonometry=trigonometry), np.array(values), gravity


def test_the_programs_chain_gives_the_modules_bits(random_states):
    momenta, angles, rates = random_states
    chain = pendula.Chain.program()
    torques = np.zeros(20)
    torques[0] = -100.0
    expected = pendula.forward_dynamics(momenta, angles, 1.3, -100.0)
    for actual, wanted in zip(chain.forward_dynamics(momenta, angles, 1.3, torques), expected):
        assert_same_bits(actual, wanted)
    assert_same_bits(chain.momenta(angles, rates), pendula.momentum_initialisation(angles, rates))
    stepped_momenta, stepped_angles = momenta.copy(), angles.copy()
    chain.step(stepped_momenta, stepped_angles, 0.012, 1.3, torques)
    pendula.step_chains(momenta, angles, 1.3, -100.0)
    assert_same_bits(stepped_momenta, momenta)
    assert_same_bits(stepped_angles, angles)


@pytest.mark.parametrize("trigonometry", ["table", "exact"])
def test_a_twisted_chain_gives_the_cpp_interfaces_bits(trigonometry):
    n, count = 7, 11
    chain, values, gravity = random_chain(n, 5, trigonometry)
    rng = np.random.default_rng(6)
    momenta, angles = rng.normal(0, 2, (count, n)), rng.uniform(-4, 4, (count, n))
    rates, torques = rng.uniform(-1, 1, (count, n)), rng.normal(0, 3, (count, n))
    header = [n, count, 0.7, 0.004, trigonometry == "exact", *gravity]
    request = np.concatenate([np.array(header, dtype=np.float64), values.ravel(),
                              momenta.ravel(), angles.ravel(), rates.ravel(), torques.ravel()])
    result = subprocess.run([os.environ["PENDULA_RUN_TIME_REFERENCE"]], input=request.tobytes(),
                            capture_output=True, check=True)
    out = np.frombuffer(result.stdout, dtype=np.float64)
    sizes = [count * n] * 5 + [count, count * n * 3]
    blocks = np.split(out, np.cumsum(sizes)[:-1])

    stepped_momenta, stepped_angles = momenta.copy(), angles.copy()
    chain.step(stepped_momenta, stepped_angles, 0.004, 0.7, torques)
    assert_same_bits(stepped_momenta.ravel(), blocks[0])
    assert_same_bits(stepped_angles.ravel(), blocks[1])
    momentum_rates, joint_rates = chain.forward_dynamics(momenta, angles, 0.7, torques)
    assert_same_bits(momentum_rates.ravel(), blocks[2])
    assert_same_bits(joint_rates.ravel(), blocks[3])
    assert_same_bits(chain.momenta(angles, rates).ravel(), blocks[4])
    assert_same_bits(chain.energy(momenta, angles), blocks[5])
    assert_same_bits(chain.frame_origins(angles).ravel(), blocks[6])
    # one chain as (N,) is that chain's row
    one_momenta, one_angles = momenta[3].copy(), angles[3].copy()
    chain.step(one_momenta, one_angles, 0.004, 0.7, torques[3])
    assert_same_bits(one_momenta, stepped_momenta[3])
    assert chain.energy(momenta[3], angles[3]) == blocks[5][3]
    assert chain.frame_origins(angles[3]).shape == (n, 3)


LINK = dict(mass=1.0, centre_of_mass=(0.5, 0.0, 0.0), inertia=(0.01, 0.0, 0.0, 0.33, 0.0, 0.33))

BAD_CHAINS = [
    ("no links", lambda: pendula.Chain([]), ValueError, "a chain has 1 to 1000 links; got 0"),
    ("1001 links", lambda: pendula.Chain([pendula.Link(**LINK)] * 1001), ValueError,
     "got 1001"),
    ("not a link", lambda: pendula.Chain([pendula.Link(**LINK), {"mass": 1}]), TypeError,
     "links[1] must be a pendula.Link"),
    ("negative mass", lambda: pendula.Chain([pendula.Link(**{**LINK, "mass": -1.0})]), ValueError,
     "links[0].mass must be positive"),
    ("nan offset", lambda: pendula.Chain([pendula.Link(**LINK), pendula.Link(**LINK, d=np.nan)]),
     ValueError, "links[1].d must be finite"),
    ("flat inertia", lambda: pendula.Chain(
        [pendula.Link(**{**LINK, "inertia": (0.0, 0.0, 0.0, 0.25, 0.0, 0.25)})]), ValueError,
     "links[0].inertia about the centre of mass"),
    ("short centre", lambda: pendula.Link(**{**LINK, "centre_of_mass": (1.0, 2.0)}), ValueError,
     "centre_of_mass must be 3 floats"),
    ("text mass", lambda: pendula.Link(**{**LINK, "mass": "heavy"}), TypeError,
     "mass must be a float"),
    ("gravity of two", lambda: pendula.Chain([pendula.Link(**LINK)], gravity=(0, 1)), ValueError,
     "gravity must be 3 floats"),
    ("trigonometry", lambda: pendula.Chain([pendula.Link(**LINK)], trigonometry="fast"),
     ValueError, 'trigonometry must be "table" or "exact"'),
]


@pytest.mark.parametrize("name, make, error, message", BAD_CHAINS, ids=[c[0] for c in BAD_CHAINS])
def test_a_bad_description_is_refused_by_name(name, make, error, message):
    with pytest.raises(error) as refusal:
        make()
    assert message in str(refusal.value)


def test_bad_arrays_are_refused_and_nothing_is_stepped():
    chain = pendula.Chain([pendula.Link(**LINK)] * 3)
    momenta, angles = np.zeros((4, 3)), np.ones((4, 3))
    cases = [
        (lambda: chain.step(momenta.tolist(), angles, 0.01), TypeError, "numpy.ndarray"),
        (lambda: chain.step(momenta, angles[:, :2].copy(), 0.01), ValueError, "shape (3,) or (n, 3)"),
        (lambda: chain.step(momenta, angles[:2], 0.01), ValueError, "the same shape"),
        (lambda: chain.step(momenta, momenta, 0.01), ValueError, "must not share memory"),
        (lambda: chain.step(momenta, angles, 0.0), ValueError, "h must be finite and > 0"),
        (lambda: chain.step(momenta, angles, 0.01, -1.0), ValueError, "friction must be"),
        (lambda: chain.step(momenta, angles, 0.01, torques=np.zeros((2, 3))), ValueError,
         "torques must be None"),
        (lambda: chain.forward_dynamics(momenta, "angles"), TypeError, "angles must be"),
        (lambda: chain.energy(momenta, angles.T), ValueError, "angles must have shape"),
    ]
    for call, error, message in cases:
        with pytest.raises(error) as refusal:
            call()
        assert message in str(refusal.value)
    assert not momenta.any() and (angles == 1.0).all()


def test_threads_step_one_chain_at_the_same_time():
    chain, _, _ = random_chain(33, 9)
    rng = np.random.default_rng(10)
    start = rng.normal(0, 1, (16, 33)), rng.uniform(-1, 1, (16, 33))
    serial = [tuple(x.copy() for x in start) for _ in range(3)]
    for state in serial:
        for _ in range(30):
            chain.step(*state, 0.002, 0.5)
    threaded = [tuple(x.copy() for x in start) for _ in range(3)]

    def run(state):
        for _ in range(30):
            chain.step(*state, 0.002, 0.5)

    workers = [threading.Thread(target=run, args=(state,)) for state in threaded]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    for (momenta, angles), (momenta_s, angles_s) in zip(threaded, serial):
        assert_same_bits(momenta, momenta_s)
        assert_same_bits(angles, angles_s)
