"""Shared fixtures: random chain states and the C++ interface's answers on them."""
import os
import subprocess

import numpy as np
import pytest


@pytest.fixture
def random_states():
    """37 chains: angles in [-pi, pi] with a few of many turns, rates in [-1, 1], momenta of
    order 10, from a fixed seed."""
    rng = np.random.default_rng(20261209)
    n = 37
    angles = rng.uniform(-np.pi, np.pi, (n, 20))
    angles[3, 0] = 1980.0
    angles[4, 7] = -123456.789
    rates = rng.uniform(-1.0, 1.0, (n, 20))
    momenta = rng.normal(0.0, 10.0, (n, 20))
    return momenta, angles, rates


def cpp_reference(momenta, angles, rates, friction, torque):
    """What the C++ interface gives on these states (tests/python/reference_chains.cpp): a dict
    of (n, 20) arrays."""
    n = momenta.shape[0]
    request = np.concatenate(
        [np.array([n, friction, torque], dtype=np.float64), momenta.ravel(), angles.ravel(),
         rates.ravel()])
    result = subprocess.run([os.environ["PENDULA_REFERENCE"]], input=request.tobytes(),
                            capture_output=True, check=True)
    names = ["stepped_momenta", "stepped_angles", "momentum_rates", "joint_rates",
             "initial_momenta", "sines", "cosines"]
    blocks = np.frombuffer(result.stdout, dtype=np.float64).reshape(len(names), n, 20)
    return dict(zip(names, blocks))


def assert_same_bits(actual, expected):
    """Equal bit for bit: tells -0 from +0, and a NaN equals the same NaN."""
    actual = np.ascontiguousarray(actual, dtype=np.float64)
    expected = np.ascontiguousarray(expected, dtype=np.float64)
    assert actual.shape == expected.shape
    differing = np.flatnonzero(actual.view(np.uint64) != expected.view(np.uint64))
    assert differing.size == 0, (
        f"{differing.size} values differ, first at flat index {differing[0]}: "
        f"{actual.ravel()[differing[0]]!r} != {expected.ravel()[differing[0]]!r}")
