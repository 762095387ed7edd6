// Tests of the integrators beside Heun on chains built at run time: each method converges at its
// order; the midpoint step leaves a residual below its tolerance, keeps an undamped chain's
// energy bounded where Heun's drifts, and refuses a step whose solve does not converge; the
// adaptive integration meets its tolerance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "pendula/chain.h"
#include "tests/support/random_chain.h"

namespace pendula {
namespace {

using Values = std::vector<double>;

// A twisted, shifted chain of 5 links in 3-D, with smooth sines, and a moving state of it.
struct Moving {
  Chain chain{testing::RandomChain(5, 11, false, Trigonometry::Exact)};
  Values p{0.3, -0.2, 0.5, 0.1, -0.4};
  Values q{0.4, 1.1, -0.7, 2.0, 0.3};
};

double LargestDifference(const Values& a, const Values& b) {
  double largest = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::fabs(a[i] - b[i]));
  return largest;
}

// The state after `duration` seconds in steps of h by the method.
void RunSteps(const Chain& chain, ChainWorkspace& workspace, StepMethod method, double h,
              double duration, double friction, Values& p, Values& q) {
  const long steps = std::lround(duration / h);
  for (long i = 0; i < steps; ++i) {
    ASSERT_TRUE(Step(chain, workspace, p.data(), q.data(), h, method, friction).taken);
  }
}

// A reference solution by rk4 at a step far below any of the test's.
void Reference(const Moving& m, ChainWorkspace& workspace, double duration, Values& p, Values& q) {
  p = m.p, q = m.q;
  RunSteps(m.chain, workspace, StepMethod::Rk4, 1e-4, duration, 0.5, p, q);
}

// Halving the step divides the error after a fixed time by 2^order: the observed order
// log2(e(h) / e(h/2)) over two halvings, within 0.2 of 2 (heun, midpoint) and of 4 (rk4).
TEST(ChainIntegrators, EachMethodConvergesAtItsOrder) {
  const Moving m;
  ChainWorkspace workspace(m.chain);
  constexpr double Duration = 0.4;
  Values pRef, qRef;
  Reference(m, workspace, Duration, pRef, qRef);
  const struct {
    StepMethod method;
    double order;
    double h;
  } cases[] = {
      {StepMethod::Heun, 2, 0.01}, {StepMethod::Midpoint, 2, 0.01}, {StepMethod::Rk4, 4, 0.04}};
  for (const auto& c : cases) {
    double error[3];
    for (int halving = 0; halving < 3; ++halving) {
      Values p = m.p, q = m.q;
      RunSteps(m.chain, workspace, c.method, c.h / (1 << halving), Duration, 0.5, p, q);
      error[halving] = std::max(LargestDifference(p, pRef), LargestDifference(q, qRef));
    }
    for (int halving = 0; halving < 2; ++halving) {
      const double order = std::log2(error[halving] / error[halving + 1]);
      EXPECT_NEAR(order, c.order, 0.2)
          << "method " << static_cast<int>(c.method) << ", h " << c.h / (1 << halving)
          << ": errors " << error[halving] << ", " << error[halving + 1];
    }
  }
}

// x1 - x0 - h·f((x0 + x1)·0.5), evaluated afresh, is within the solve's tolerance, component by
// component scaled by max(1, |x0_i|).
TEST(ChainIntegrators, MidpointResidualIsBelowItsTolerance) {
  const Moving m;
  ChainWorkspace workspace(m.chain);
  const int n = m.chain.linkCount();
  for (const double tolerance : {1e-6, 1e-12}) {
    Values p = m.p, q = m.q;
    const double h = 0.02;
    const StepStatus status = Step(m.chain, workspace, p.data(), q.data(), h, StepMethod::Midpoint,
                                   0.5, nullptr, NewtonSettings{tolerance, 20});
    ASSERT_TRUE(status.taken);
    Values pMid(n), qMid(n), pdot(n), qdot(n);
    for (int i = 0; i < n; ++i) {
      pMid[i] = (m.p[i] + p[i]) * 0.5;
      qMid[i] = (m.q[i] + q[i]) * 0.5;
    }
    ForwardDynamics(m.chain, workspace, pMid.data(), qMid.data(), pdot.data(), qdot.data(), 0.5);
    for (int i = 0; i < n; ++i) {
      EXPECT_LE(std::fabs(p[i] - m.p[i] - h * pdot[i]) / std::max(1.0, std::fabs(m.p[i])),
                tolerance);
      EXPECT_LE(std::fabs(q[i] - m.q[i] - h * qdot[i]) / std::max(1.0, std::fabs(m.q[i])),
                tolerance);
    }
  }
}

// Without friction, over 1,000 steps of the program's h = 0.012 s: the midpoint rule's energy
// error stays within a bound, while Heun's grows to over ten times that bound.
TEST(ChainIntegrators, MidpointKeepsTheEnergyBoundedWhereHeunDrifts) {
  ChainDescription description = Chain::Program().description();
  description.trigonometry = Trigonometry::Exact;
  const Chain chain(description);
  ChainWorkspace workspace(chain);
  Values p0(20, 0.0), q0(20, 0.0);
  q0[0] = -1.2;
  for (int k = 1; k < 20; ++k) q0[k] = 0.05 * std::sin(k);
  const double e0 = Energy(chain, workspace, p0.data(), q0.data());
  double midpointWorst = 0.0;
  Values p = p0, q = q0, pHeun = p0, qHeun = q0;
  for (int step = 0; step < 1000; ++step) {
    ASSERT_TRUE(Step(chain, workspace, p.data(), q.data(), 0.012, StepMethod::Midpoint).taken);
    HeunStep(chain, workspace, pHeun.data(), qHeun.data(), 0.012);
    midpointWorst =
        std::max(midpointWorst, std::fabs(Energy(chain, workspace, p.data(), q.data()) - e0));
  }
  const double heunEnd = std::fabs(Energy(chain, workspace, pHeun.data(), qHeun.data()) - e0);
  EXPECT_LT(midpointWorst, 0.05 * std::fabs(e0));
  EXPECT_GT(heunEnd, 10.0 * midpointWorst);
}

// A solve allowed one iteration towards a residual of 1e-15 does not converge: the step is not
// taken and the state keeps its bits; in a batch, that chain is named and the others stepped.
TEST(ChainIntegrators, MidpointStepThatDoesNotConvergeIsNotTaken) {
  const Moving m;
  ChainWorkspace workspace(m.chain);
  const NewtonSettings hopeless{1e-15, 1};
  Values p = m.p, q = m.q;
  const StepStatus status = Step(m.chain, workspace, p.data(), q.data(), 0.05, StepMethod::Midpoint,
                                 0.5, nullptr, hopeless);
  EXPECT_FALSE(status.taken);
  EXPECT_GT(status.residual, 1e-15);
  EXPECT_EQ(std::memcmp(p.data(), m.p.data(), p.size() * sizeof(double)), 0);
  EXPECT_EQ(std::memcmp(q.data(), m.q.data(), q.size() * sizeof(double)), 0);
  // Three chains: at rest, moving, at rest. At rest in this pose the chain still falls, but a
  // solve of the default settings converges; the moving chain's is given no chance.
  Values rows(15, 0.0), angles(15, 0.0);
  std::copy(m.p.begin(), m.p.end(), rows.begin() + 5);
  std::copy(m.q.begin(), m.q.end(), angles.begin() + 5);
  const BatchStepStatus batch = StepChains(m.chain, workspace, rows.data(), angles.data(), 3, 0.05,
                                           StepMethod::Midpoint, 0.5, {}, hopeless);
  EXPECT_EQ(batch.notTaken, 3);
  EXPECT_EQ(batch.firstNotTaken, 0);
  const BatchStepStatus relaxed = StepChains(m.chain, workspace, rows.data(), angles.data(), 3,
                                             0.05, StepMethod::Midpoint, 0.5, {});
  EXPECT_EQ(relaxed.notTaken, 0);
  EXPECT_EQ(relaxed.firstNotTaken, -1);
}

// At rtol 1e-8 and atol 1e-10 over 0.4 s the adaptive integration lands within 100 times its
// tolerance of the reference (its error control is local: the global error may be a few times
// the local tolerance, not orders of magnitude), and at a tolerance 1,000 times tighter it is
// closer still; the statistics add up.
TEST(ChainIntegrators, AdaptiveIntegrationMeetsItsTolerance) {
  const Moving m;
  ChainWorkspace workspace(m.chain);
  Values pRef, qRef;
  Reference(m, workspace, 0.4, pRef, qRef);
  double previous = 1.0;
  for (const double rtol : {1e-8, 1e-11}) {
    Values p = m.p, q = m.q;
    const IntegrationStatistics s = Integrate(m.chain, workspace, p.data(), q.data(), 0.4,
                                              AdaptiveTolerances{rtol, rtol * 1e-2}, 0.5);
    ASSERT_TRUE(s.completed);
    EXPECT_EQ(s.time, 0.4);
    EXPECT_EQ(s.evaluations, 2 + 6 * (s.steps + s.rejected));
    const double error = std::max(LargestDifference(p, pRef), LargestDifference(q, qRef));
    double scale = 0.0;
    for (double x : qRef) scale = std::max(scale, std::fabs(x));
    EXPECT_LT(error, 100 * rtol * std::max(1.0, scale)) << "rtol " << rtol;
    EXPECT_LT(error, previous);
    previous = error;
  }
}

}  // namespace
}  // namespace pendula
