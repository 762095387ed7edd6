"""What the module takes and what it refuses: step_chains works in place and never copies, the
other functions read any float array-like."""
import re

import numpy as np
import pytest

import pendula
from conftest import assert_same_bits


def chains(n=3):
    rng = np.random.default_rng(7)
    return rng.normal(0.0, 1.0, (n, 20)), rng.uniform(-1.0, 1.0, (n, 20))


def unaligned(n=3):
    raw = np.zeros(n * 20 * 8 + 1, dtype=np.uint8)
    return np.frombuffer(raw.data, dtype=np.float64, count=n * 20, offset=1).reshape(n, 20)


def read_only(n=3):
    array = np.zeros((n, 20))
    array.flags.writeable = False
    return array


BAD_MOMENTA = [
    ("list", lambda: np.zeros((3, 20)).tolist(), TypeError, "numpy.ndarray"),
    ("float32", lambda: np.zeros((3, 20), dtype=np.float32), TypeError, "float64"),
    ("int64", lambda: np.zeros((3, 20), dtype=np.int64), TypeError, "float64"),
    ("big-endian", lambda: np.zeros((3, 20), dtype=">f8"), TypeError, "float64"),
    ("one chain", lambda: np.zeros(20), ValueError, "same number of chains, in the same shape"),
    ("19 joints", lambda: np.zeros((3, 19)), ValueError, "shape (20,) or (n, 20)"),
    ("three axes", lambda: np.zeros((3, 20, 1)), ValueError, "shape (20,) or (n, 20)"),
    ("Fortran order", lambda: np.asfortranarray(np.zeros((3, 20))), ValueError, "C-contiguous"),
    ("strided view", lambda: np.zeros((3, 40))[:, ::2], ValueError, "C-contiguous"),
    ("unaligned", unaligned, ValueError, "aligned"),
    ("read-only", read_only, ValueError, "writeable"),
    ("other count", lambda: np.zeros((4, 20)), ValueError, "same number of chains"),
]


@pytest.mark.parametrize("name, make, error, message", BAD_MOMENTA, ids=[b[0] for b in BAD_MOMENTA])
@pytest.mark.parametrize("which", ["momenta", "angles"])
def test_step_chains_refuses_without_stepping(name, make, error, message, which):
    momenta, angles = chains()
    bad = make()
    arguments = (bad, angles) if which == "momenta" else (momenta, bad)
    before = [np.array(a, copy=True) for a in arguments]
    with pytest.raises(error, match=re.escape(message)):
        pendula.step_chains(*arguments)
    for array, copy in zip(arguments, before):
        assert np.array_equal(np.asarray(array), copy)


def test_step_chains_refuses_arrays_that_share_memory():
    block = np.zeros((6, 20))
    for momenta, angles in [(block, block), (block[:4], block[2:])]:
        with pytest.raises(ValueError, match="share memory"):
            pendula.step_chains(momenta, angles)
    assert not block.any()


def test_step_chains_takes_views_and_no_chains():
    momenta, angles = chains(6)
    expected_momenta, expected_angles = momenta[2:4].copy(), angles[2:4].copy()
    pendula.step_chains(expected_momenta, expected_angles)
    pendula.step_chains(momenta[2:4], angles[2:4])  # contiguous row views are stepped in place
    assert np.array_equal(momenta[2:4], expected_momenta)
    empty = np.zeros((0, 20))
    pendula.step_chains(empty, empty.copy())


def test_one_chain_of_shape_20_is_stepped_in_place_as_a_batch_of_one():
    momenta, angles = chains(3)
    one_momenta, one_angles = momenta[1].copy(), angles[1].copy()
    row_momenta, row_angles = momenta[1], angles[1]  # views of row 1
    pendula.step_chains(one_momenta, one_angles, 1.0, 100.0)
    pendula.step_chains(row_momenta, row_angles, 1.0, 100.0)
    batch_momenta, batch_angles = chains(3)
    pendula.step_chains(batch_momenta[1:2], batch_angles[1:2], 1.0, 100.0)
    for stepped in (one_momenta, momenta[1]):
        assert_same_bits(stepped, batch_momenta[1])
    for stepped in (one_angles, angles[1]):
        assert_same_bits(stepped, batch_angles[1])
    assert_same_bits(momenta[[0, 2]], chains(3)[0][[0, 2]])


@pytest.mark.parametrize("call", [pendula.step_chains, pendula.forward_dynamics],
                         ids=["step_chains", "forward_dynamics"])
def test_friction_and_torque_are_checked_with_messages_that_name_them(call):
    momenta, angles = chains()
    before = momenta.copy(), angles.copy()
    refused = [
        ({"friction": "a"}, TypeError, "friction must be a real number; got str"),
        ({"friction": np.zeros(3)}, TypeError, "friction must be a real number; got ndarray"),
        ({"friction": float("nan")}, ValueError, "friction must be finite and >= 0; got nan"),
        ({"friction": -1}, ValueError, "friction must be finite and >= 0; got -1.0"),
        ({"friction": float("inf")}, ValueError, "friction must be finite and >= 0; got inf"),
        ({"torque": "a"}, TypeError, "torque must be a real number; got str"),
    ]
    for settings, error, message in refused:
        with pytest.raises(error) as raised:
            call(momenta, angles, **settings)
        assert str(raised.value) == message, settings  # the whole message: no array in it
    assert_same_bits(momenta, before[0])
    assert_same_bits(angles, before[1])
    call(momenta, angles, friction=np.float32(0.0), torque=np.int64(-100))  # NumPy scalars


def test_read_only_arguments_are_converted_from_array_likes():
    angles = [[0.0] * 20, [1] * 20]  # nested lists, ints among them
    momenta = pendula.momentum_initialisation(angles, np.zeros((2, 20), dtype=np.float32))
    assert momenta.dtype == np.float64 and momenta.shape == (2, 20)
    rates = pendula.forward_dynamics(momenta, np.asfortranarray(angles))[1]
    assert np.allclose(rates, 0.0)
    assert isinstance(pendula.energy([0.0] * 20, range(20)), float)
    assert pendula.sine_lookup(0) == 0.0


@pytest.mark.parametrize("call", [
    lambda a, b: pendula.momentum_initialisation(a, b),
    lambda a, b: pendula.forward_dynamics(a, b),
    lambda a, b: pendula.energy(a, b),
], ids=["momentum_initialisation", "forward_dynamics", "energy"])
def test_read_only_arguments_are_checked(call):
    with pytest.raises(ValueError, match=r"shape \(20,\) or \(n, 20\)"):
        call(np.zeros(19), np.zeros(19))
    with pytest.raises(ValueError, match="same shape"):
        call(np.zeros((2, 20)), np.zeros((3, 20)))
    with pytest.raises(TypeError, match="array-like of floats"):
        call(["a"] * 20, np.zeros(20))


def test_help_reads_well():
    for name in ["momentum_initialisation", "forward_dynamics", "step_chains", "energy",
                 "sine_lookup", "cosine_lookup", "start_up_state"]:
        assert len(getattr(pendula, name).__doc__) > 80, name
    assert "start_up_state" in pendula.__doc__
