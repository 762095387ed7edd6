"""The module's refusals and its objects' round trips: every torque argument refuses a value that
is not finite, and the midpoint step and the integration a state, naming the value's argument,
joint and chain before anything is stepped; ConvergenceError carries its chains and times;
Link names a missing mass; __version__ is the project's; Link and Chain pickle to equal
objects."""
import pathlib
import pickle
import re

import numpy as np
import pytest

import pendula
from conftest import assert_same_bits

LINK = dict(mass=1.0, centre_of_mass=(0.5, 0.0, 0.0), inertia=(0.01, 0.0, 0.0, 0.33, 0.0, 0.33))
N, CHAINS = 3, 4


def refusal(name, index, value):
    """What a call says of name[index] = value: (joint) for one chain, (chain, joint) for rows."""
    if isinstance(index, tuple):
        chain, joint = index
        where = f"[{chain}, {joint}] (chain {chain}, joint {joint + 1})"
    else:
        where = f"[{index}] (joint {index + 1})"
    return f"{name}{where} must be finite; got {value!r}"


def chain_calls():
    """(name, call(momenta, angles, torques), whether it refuses a state that is not finite)."""
    chain = pendula.Chain([pendula.Link(**LINK)] * N, trigonometry="exact")
    calls = [("forward_dynamics", lambda p, q, t: chain.forward_dynamics(p, q, 1.0, t), False),
             ("integrate", lambda p, q, t: chain.integrate(p, q, 1e-3, friction=1.0, torques=t),
              True)]
    for method in ("heun", "rk4", "midpoint"):
        for threads in (1, 2):  # one thread, and the batch on threads
            calls.append((f"step {method} on {threads}",
                          lambda p, q, t, m=method, n=threads:
                          chain.step(p, q, 1e-3, 1.0, t, m, threads=n), method == "midpoint"))
    return calls


@pytest.mark.parametrize("value", [np.nan, np.inf, -np.inf])
def test_non_finite_torques_and_iterated_states_are_refused_by_name(value):
    start = np.full((CHAINS, N), 0.25), np.full((CHAINS, N), -0.5)
    torques = np.full((CHAINS, N), 2.0)
    for name, call, refuses_states in chain_calls():
        for rows in (False, True):  # one chain (N,), then a batch (CHAINS, N)
            index = (2, 1) if rows else 1
            shape = slice(None) if rows else 0
            cases = [("torques", torques.copy(), True),
                     ("momenta", start[0].copy(), refuses_states),
                     ("angles", start[1].copy(), refuses_states)]
            for argument, spoilt, refused in cases:
                spoilt[index if rows else (0, index)] = value
                arrays = {"momenta": start[0].copy(), "angles": start[1].copy(),
                          "torques": torques.copy()}
                arrays[argument] = spoilt
                p, q, t = (arrays[k][shape].copy() for k in ("momenta", "angles", "torques"))
                before = p.copy(), q.copy()
                if refused:
                    with pytest.raises(ValueError) as raised:
                        call(p, q, t)
                    assert str(raised.value) == refusal(argument, index, value), (name, rows)
                    assert_same_bits(p, before[0])
                    assert_same_bits(q, before[1])
                else:
                    call(p, q, t)  # a state that is not finite is stepped as it is
    momenta, angles = pendula.start_up_state()
    for call in (pendula.step_chains, pendula.forward_dynamics):
        with pytest.raises(ValueError) as raised:
            call(momenta, angles, torque=value)
        assert str(raised.value) == f"torque (joint 1) must be finite; got {value!r}"
    assert_same_bits(np.stack(pendula.start_up_state()), np.stack((momenta, angles)))


def test_convergence_error_carries_its_chains_and_times():
    chain = pendula.Chain(pendula.Chain.program().links, trigonometry="exact")
    momenta, angles = np.zeros((3, 20)), np.zeros((3, 20))
    angles[:, 0] = -np.pi / 2  # hanging, the tips nudged; chain 1 whips too fast for 2 iterations
    momenta[:, 19] = 0.01
    momenta[1] = 50.0
    with pytest.raises(pendula.ConvergenceError) as failure:
        chain.step(momenta, angles, 0.012, method="midpoint", max_iterations=2)
    assert (failure.value.chains, failure.value.time) == ([1], [0.0])
    assert "chain 1 of 3;" in str(failure.value)
    torques = np.zeros((4, 20))
    torques[[1, 3], 0] = 1e200  # finite, but beyond any step size
    momenta, angles = np.zeros((4, 20)), np.zeros((4, 20))
    with pytest.raises(pendula.ConvergenceError) as failure:
        chain.integrate(momenta, angles, 0.1, torques=torques)
    assert failure.value.chains == [1, 3]
    assert f"(at t = {failure.value.time[0]!r} s" in str(failure.value)
    assert len(failure.value.time) == 2 and isinstance(failure.value, RuntimeError)
    assert momenta[0].any() and momenta[2].any()  # the others were integrated


def test_a_link_names_what_it_lacks_and_inertias_read_as_entered():
    with pytest.raises(TypeError) as raised:
        pendula.Link()
    assert str(raised.value) == "pendula.Link() requires mass=, the link's mass in kg"
    with pytest.raises(TypeError, match="requires inertia="):
        pendula.Link(mass=1.0)
    # xy = 0.5 makes the inertia indefinite; the message lists it second, as it was entered.
    with pytest.raises(ValueError) as raised:
        pendula.Chain([pendula.Link(mass=1.0, inertia=(0.25, 0.5, 0.0, 0.25, 0.0, 0.5))])
    assert str(raised.value) == ("links[0].inertia about the centre of mass (xx, xy, xz, yy, yz, "
                                 "zz = 0.25, 0.5, 0, 0.25, 0, 0.5) is not positive definite")


def test_version_is_the_projects():
    cmake = pathlib.Path(__file__).resolve().parents[2] / "CMakeLists.txt"
    version = re.search(r"project\(pendula\s+VERSION\s+(\S+)", cmake.read_text()).group(1)
    assert pendula.__version__ == version


def test_links_and_chains_pickle_to_equal_objects():
    link = pendula.Link(a=0.7, d=-0.2, alpha=0.3, mass=2.0, centre_of_mass=(0.3, 0.0, 0.0),
                        inertia=(0.02, 0.0, 0.001, 0.21, 0.0, 0.22))
    chain = pendula.Chain([link, pendula.Link(**LINK)], gravity=(0.0, 0.0, -9.81),
                          trigonometry="exact")
    for original in (link, chain, pendula.Chain.program()):
        copy = pickle.loads(pickle.dumps(original))
        assert copy == original and copy is not original and hash(copy) == hash(original)
        assert repr(copy) == repr(original)
    copy = pickle.loads(pickle.dumps(chain))
    assert copy != pendula.Chain(chain.links, gravity=chain.gravity)  # the table, not exact
    assert link != pendula.Link(**LINK) and link != "a link"
    # The rebuilt chain computes what the original does.
    p, q = np.linspace(-1, 1, 2), np.linspace(0.5, 2, 2)
    for a, b in zip(chain.forward_dynamics(p, q), copy.forward_dynamics(p, q)):
        assert_same_bits(a, b)
