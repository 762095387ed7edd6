"""Chain.step by each method and Chain.integrate from Python: a batch gives every chain the bits
of its own step, and the same bits on any number of threads; a midpoint solve that does not
converge is reported by name, the same names on any number of threads, and leaves that chain as
it was; bad thread counts are refused as step_chains refuses them; and the adaptive integration
agrees with a fine rk4 run."""
import numpy as np
import pytest

import pendula
from conftest import assert_same_bits


def exact_program_chain():
    return pendula.Chain(pendula.Chain.program().links, trigonometry="exact")


@pytest.mark.parametrize("method", ["heun", "rk4", "midpoint"])
def test_a_batch_gives_every_chain_the_bits_of_its_own_step(method):
    chain = exact_program_chain()
    rng = np.random.default_rng(3)
    momenta, angles = rng.uniform(-2, 2, (11, 20)), rng.uniform(-3, 3, (11, 20))
    torques = rng.uniform(-5, 5, (11, 20))
    alone_p, alone_q = momenta.copy(), angles.copy()
    chain.step(momenta, angles, 0.005, friction=1.0, torques=torques, method=method)
    for i in range(11):
        chain.step(alone_p[i], alone_q[i], 0.005, friction=1.0, torques=torques[i], method=method)
    assert_same_bits(momenta, alone_p)
    assert_same_bits(angles, alone_q)


def test_a_midpoint_solve_that_fails_is_named_and_not_taken():
    chain = exact_program_chain()
    momenta, angles = np.zeros((3, 20)), np.zeros((3, 20))
    angles[:, 0] = -np.pi / 2  # hanging, the tips nudged: two Newton iterations are plenty
    momenta[:, 19] = 0.01
    momenta[1] = 50.0  # a whip that they cannot resolve
    before_p, before_q = momenta.copy(), angles.copy()
    with pytest.raises(pendula.ConvergenceError, match="chain 1 of 3;"):
        chain.step(momenta, angles, 0.012, method="midpoint", tolerance=1e-10, max_iterations=2)
    assert_same_bits(momenta[1], before_p[1])
    assert_same_bits(angles[1], before_q[1])
    assert not np.array_equal(momenta[0], before_p[0])
    with pytest.raises(ValueError, match='method must be "heun", "rk4" or "midpoint"'):
        chain.step(momenta, angles, 0.012, method="euler")


@pytest.mark.parametrize("method", ["heun", "rk4", "midpoint"])
def test_a_batch_on_threads_gives_the_bits_of_one_thread(method):
    chain = exact_program_chain()
    rng = np.random.default_rng(4)
    start = rng.uniform(-2, 2, (300, 20)), rng.uniform(-3, 3, (300, 20))
    torques = rng.uniform(-5, 5, (300, 20))
    results = []
    for threads in (1, 2, None):
        momenta, angles = start[0].copy(), start[1].copy()
        evaluations = chain.step(momenta, angles, 0.005, friction=1.0, torques=torques,
                                 method=method, threads=threads)
        results.append((momenta, angles, evaluations))
    for momenta, angles, evaluations in results[1:]:
        assert_same_bits(momenta, results[0][0])
        assert_same_bits(angles, results[0][1])
        assert evaluations == results[0][2]


def test_a_midpoint_batch_on_threads_names_the_chains_of_one_thread():
    chain = exact_program_chain()
    start_p, start_q = np.zeros((300, 20)), np.zeros((300, 20))
    start_q[:, 0] = -np.pi / 2  # hanging, the tips nudged, as above
    start_p[:, 19] = 0.01
    start_p[3::7] = 50.0  # 43 whips, more than the message lists
    messages = []
    for threads in (1, 2):
        momenta, angles = start_p.copy(), start_q.copy()
        with pytest.raises(pendula.ConvergenceError) as failure:
            chain.step(momenta, angles, 0.012, method="midpoint", max_iterations=2,
                       threads=threads)
        assert_same_bits(momenta[3::7], start_p[3::7])
        messages.append(str(failure.value))
    assert messages[0] == messages[1]
    assert "chain 3, 10, 17, 24, 31, 38, 45, 52, 59, 66 and 33 more of 300;" in messages[0]


def test_bad_thread_counts_are_refused_as_step_chains_refuses_them():
    chain = pendula.Chain.program()
    momenta, angles = np.zeros((300, 20)), np.zeros((300, 20))
    for threads, error in (("2", TypeError), (2.0, TypeError), (0, ValueError),
                           (-(2**70), ValueError)):
        with pytest.raises(error) as by_step:
            chain.step(momenta, angles, 0.01, threads=threads)
        with pytest.raises(error) as by_step_chains:
            pendula.step_chains(momenta, angles, threads=threads)
        assert str(by_step.value) == str(by_step_chains.value)
    assert str(by_step.value) == "threads must be None or at least 1"
    with pytest.raises(TypeError, match="got str"):
        chain.step(momenta, angles, 0.01, threads="2")
    assert not momenta.any() and not angles.any()
    with pytest.raises(TypeError):
        chain.step(momenta, angles, 0.01, 0.0, None, "heun", 2)  # threads is keyword-only
    chain.step(momenta, angles, 0.01, threads=2**70)  # at most that many: every core


def test_the_adaptive_integration_agrees_with_a_fine_rk4_run():
    chain = exact_program_chain()
    momenta, angles = np.zeros(20), np.zeros(20)
    fine_p, fine_q = momenta.copy(), angles.copy()
    for _ in range(2000):
        chain.step(fine_p, fine_q, 2.5e-4, friction=5.0, method="rk4")
    statistics = chain.integrate(momenta, angles, 0.5, rtol=1e-10, atol=1e-10, friction=5.0)
    assert statistics["evaluations"] == 2 + 6 * (statistics["steps"] + statistics["rejected"])
    assert np.max(np.abs(angles - fine_q)) < 1e-7
    assert np.max(np.abs(momenta - fine_p)) < 1e-7 * np.max(np.abs(fine_p))
