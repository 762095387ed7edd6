// The Jacobian of the dynamics against central differences of the evaluation on random twisted
// chains and random trees (exact sines), against A(q)^-1, against the Hamiltonian structure it
// must have without friction or damping, and a batch row against its state alone.
#include "pendula/derivatives.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "dynamics/calls/derivative_calls.h"
#include "dynamics/lanes/lane_widths.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/random_chain.h"
#include "tests/support/random_tree.h"

namespace pendula {
namespace {

struct Blocks {
  explicit Blocks(int n) : pp(Squared(n)), pq(Squared(n)), qp(Squared(n)), qq(Squared(n)) {}
  static std::size_t Squared(int n) { return static_cast<std::size_t>(n) * n; }
  std::vector<double> pp, pq, qp, qq;
  DynamicsJacobian Out() { return {pp.data(), pq.data(), qp.data(), qq.data()}; }
};

using Evaluation = std::function<void(const double*, const double*, double*, double*)>;

// The four blocks by central differences of f, step 1e-5: truncation 1e-10 of the second
// derivatives' scale, rounding 1e-11 of the rates'.
Blocks Differences(const Evaluation& f, int n, const std::vector<double>& p,
                   const std::vector<double>& q) {
  Blocks d(n);
  std::vector<double> pd(n), qd(n), pu(n), qu(n), pl(n), ql(n);
  const double step = 1e-5;
  for (int j = 0; j < 2 * n; ++j) {
    std::vector<double> pu_state = p, qu_state = q, pl_state = p, ql_state = q;
    (j < n ? pu_state[j] : qu_state[j - n]) += step;
    (j < n ? pl_state[j] : ql_state[j - n]) -= step;
    f(pu_state.data(), qu_state.data(), pu.data(), qu.data());
    f(pl_state.data(), ql_state.data(), pl.data(), ql.data());
    for (int i = 0; i < n; ++i) {
      const double dp = (pu[i] - pl[i]) / (2 * step), dq = (qu[i] - ql[i]) / (2 * step);
      if (j < n) {
        d.pp[i * n + j] = dp, d.qp[i * n + j] = dq;
      } else {
        d.pq[i * n + j - n] = dp, d.qq[i * n + j - n] = dq;
      }
    }
  }
  return d;
}

double MaxAbs(const std::vector<double>& x) {
  double m = 0.0;
  for (double v : x) m = std::fmax(m, std::fabs(v));
  return m;
}

void ExpectNear(const std::vector<double>& actual, const std::vector<double>& expected,
                double relative, const std::string& what) {
  const double scale = std::fmax(1.0, MaxAbs(expected));
  for (std::size_t i = 0; i < actual.size(); ++i) {
    ASSERT_NEAR(actual[i], expected[i], relative * scale) << what << " [" << i << "]";
  }
}

void ExpectAgainstDifferences(Blocks& exact, const Evaluation& f, int n,
                              const std::vector<double>& p, const std::vector<double>& q,
                              const std::string& what) {
  Blocks d = Differences(f, n, p, q);
  ExpectNear(exact.pp, d.pp, 1e-7, what + " dpdot_dp");
  ExpectNear(exact.pq, d.pq, 1e-7, what + " dpdot_dq");
  ExpectNear(exact.qp, d.qp, 1e-7, what + " dqdot_dp");
  ExpectNear(exact.qq, d.qq, 1e-7, what + " dqdot_dq");
}

// Without friction or damping: ∂q̇/∂p and ∂ṗ/∂q symmetric and ∂ṗ/∂p = -(∂q̇/∂q)ᵀ, to rounding.
void ExpectHamiltonian(const Blocks& b, int n, const std::string& what) {
  const double sp = std::fmax(1.0, MaxAbs(b.pq)), sq = std::fmax(1.0, MaxAbs(b.qp)),
               sx = std::fmax(1.0, MaxAbs(b.qq));
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      ASSERT_NEAR(b.qp[i * n + j], b.qp[j * n + i], 1e-12 * sq) << what << " " << i << "," << j;
      ASSERT_NEAR(b.pq[i * n + j], b.pq[j * n + i], 1e-11 * sp) << what << " " << i << "," << j;
      ASSERT_NEAR(b.pp[i * n + j], -b.qq[j * n + i], 1e-11 * sx) << what << " " << i << "," << j;
    }
  }
}

// (∂q̇/∂p)·A = 1 to rounding.
void ExpectInverse(const std::vector<double>& inverse, const std::vector<double>& A, int n,
                   const std::string& what) {
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      double x = 0.0;
      for (int k = 0; k < n; ++k) x += inverse[i * n + k] * A[k * n + j];
      ASSERT_NEAR(x, i == j ? 1.0 : 0.0, 1e-9) << what << " " << i << "," << j;
    }
  }
}

std::vector<double> RandomValues(std::mt19937_64& random, int n, double scale) {
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  std::vector<double> x(n);
  for (double& v : x) v = scale * unit(random);
  return x;
}

TEST(Derivatives, TwistedChainsAgreeWithDifferencesInverseAndStructure) {
  std::mt19937_64 random(7);
  for (int links : {1, 2, 5, 12}) {
    for (double friction : {0.0, 0.7}) {
      const Chain chain(testing::RandomChain(links, 100 + links, false, Trigonometry::Exact));
      ChainWorkspace workspace(chain);
      DerivativesWorkspace derivatives(chain);
      const std::vector<double> p = RandomValues(random, links, 2.0),
                                q = RandomValues(random, links, 3.0),
                                torques = RandomValues(random, links, 1.0);
      Blocks exact(links);
      Derivatives(chain, derivatives, p.data(), q.data(), exact.Out(), friction, torques.data());
      const std::string what =
          std::to_string(links) + " links, friction " + std::to_string(friction);
      ExpectAgainstDifferences(
          exact,
          [&](const double* pp, const double* qq, double* pdot, double* qdot) {
            ForwardDynamics(chain, workspace, pp, qq, pdot, qdot, friction, torques.data());
          },
          links, p, q, what);
      std::vector<double> A(static_cast<std::size_t>(links) * links), rates(links, 0.0),
          column(links);
      for (int j = 0; j < links; ++j) {
        rates[j] = 1.0;
        MomentumInitialisation(chain, workspace, column.data(), q.data(), rates.data());
        rates[j] = 0.0;
        for (int k = 0; k < links; ++k) A[k * links + j] = column[k];
      }
      ExpectInverse(exact.qp, A, links, what);
      if (friction == 0.0) ExpectHamiltonian(exact, links, what);
    }
  }
}

TEST(Derivatives, RandomTreesAgreeWithDifferencesInverseAndStructure) {
  std::mt19937_64 random(11);
  for (int joints : {1, 3, 9, 16}) {
    for (double damping : {0.0, 0.5}) {
      const Model model(testing::RandomTree(joints, 200 + joints, true, damping));
      ModelWorkspace workspace(model);
      DerivativesWorkspace derivatives(model);
      const std::vector<double> p = RandomValues(random, joints, 1.0),
                                q = RandomValues(random, joints, 1.0);
      Blocks exact(joints);
      Derivatives(model, derivatives, p.data(), q.data(), exact.Out());
      const std::string what =
          std::to_string(joints) + " joints, damping " + std::to_string(damping);
      ExpectAgainstDifferences(
          exact,
          [&](const double* pp, const double* qq, double* pdot, double* qdot) {
            ForwardDynamics(model, workspace, pp, qq, pdot, qdot);
          },
          joints, p, q, what);
      std::vector<double> A(static_cast<std::size_t>(joints) * joints);
      MassMatrix(model, workspace, q.data(), A.data());
      ExpectInverse(exact.qp, A, joints, what);
      if (damping == 0.0) ExpectHamiltonian(exact, joints, what);
    }
  }
}

// A batch's row i is its state alone, bit for bit, for chains and trees, at every lane width
// this CPU has: 11 states, a last pack part empty at each width, and a state whose angle is NaN
// in a pack of finite ones (its blocks NaN, theirs untouched by it). No call allocates; torques
// change nothing.
TEST(Derivatives, BatchRowsAreTheirStatesAlone) {
  std::mt19937_64 random(3);
  const int n = 6, count = 11;
  const Chain chain(testing::RandomChain(n, 5, false));
  const Model model(testing::RandomTree(n, 6));
  DerivativesWorkspace forChain(chain), forModel(model);
  std::vector<double> p = RandomValues(random, n * count, 2.0),
                      q = RandomValues(random, n * count, 3.0),
                      torques = RandomValues(random, n * count, 1.0);
  q[9 * n + 2] = std::nan("");
  Blocks batch(n * count), alone(n);
  for (int width : {2, 4, 8}) {
    if (!LaneWidthAvailable(width)) continue;
    // The lanes' storage is sized for the widest width, which holds the narrower ones.
    DerivativesAccess::StorageOf(forChain).laneWidth = width;
    DerivativesAccess::StorageOf(forModel).laneWidth = width;
    for (int which = 0; which < 2; ++which) {
      const long long allocations = testing::AllocationCount();
      if (which == 0) {
        DerivativesOfStates(chain, forChain, p.data(), q.data(), count, batch.Out(), 0.3,
                            JointTorques{torques.data(), true});
      } else {
        DerivativesOfStates(model, forModel, p.data(), q.data(), count, batch.Out(),
                            JointTorques{torques.data(), true});
      }
      EXPECT_EQ(testing::AllocationCount(), allocations) << which;
      for (int i = 0; i < count; ++i) {
        if (which == 0) {
          Derivatives(chain, forChain, p.data() + std::ptrdiff_t{i} * n,
                      q.data() + std::ptrdiff_t{i} * n, alone.Out(), 0.3);
        } else {
          Derivatives(model, forModel, p.data() + std::ptrdiff_t{i} * n,
                      q.data() + std::ptrdiff_t{i} * n, alone.Out());
        }
        EXPECT_EQ(std::isnan(alone.pq[0]), i == 9) << which << " " << i;
        const std::size_t bytes = sizeof(double) * n * n;
        const std::string what = std::to_string(width) + " lanes, model " + std::to_string(which) +
                                 ", state " + std::to_string(i);
        EXPECT_EQ(std::memcmp(alone.pp.data(), batch.pp.data() + std::ptrdiff_t{i} * n * n, bytes),
                  0)
            << what;
        EXPECT_EQ(std::memcmp(alone.pq.data(), batch.pq.data() + std::ptrdiff_t{i} * n * n, bytes),
                  0)
            << what;
        EXPECT_EQ(std::memcmp(alone.qp.data(), batch.qp.data() + std::ptrdiff_t{i} * n * n, bytes),
                  0)
            << what;
        EXPECT_EQ(std::memcmp(alone.qq.data(), batch.qq.data() + std::ptrdiff_t{i} * n * n, bytes),
                  0)
            << what;
      }
    }
  }
  DerivativesWorkspace wrong(Chain(testing::RandomChain(n + 1, 5, false)));
  EXPECT_THROW(Derivatives(chain, wrong, p.data(), q.data(), alone.Out()), std::invalid_argument);
  std::vector<double> bad = torques;
  bad[2] = std::nan("");
  EXPECT_THROW(Derivatives(chain, forChain, p.data(), q.data(), alone.Out(), 0.0, bad.data()),
               std::invalid_argument);
}

// The midpoint rule's Newton solve on the exact derivatives converges quadratically: a few
// iterations a step, with friction on a twisted chain and damping on a tree, where a wrong
// Jacobian (a sign, a missing friction term) would take many or fail.
TEST(Derivatives, MidpointNewtonConvergesInAFewIterations) {
  std::mt19937_64 random(9);
  const Chain chain(testing::RandomChain(8, 21, false, Trigonometry::Exact));
  ChainWorkspace chainWorkspace(chain);
  const Model model(testing::RandomTree(8, 22, true, 2.0));
  ModelWorkspace modelWorkspace(model);
  for (int which = 0; which < 2; ++which) {
    std::vector<double> p = RandomValues(random, 8, 1.0), q = RandomValues(random, 8, 1.0);
    int most = 0;
    for (int step = 0; step < 50; ++step) {
      const StepStatus status =
          which == 0 ? Step(chain, chainWorkspace, p.data(), q.data(), 0.01, StepMethod::Midpoint,
                            2.0, nullptr, NewtonSettings{1e-12, 20})
                     : Step(model, modelWorkspace, p.data(), q.data(), 0.01, StepMethod::Midpoint,
                            nullptr, NewtonSettings{1e-12, 20});
      ASSERT_TRUE(status.taken) << which << " step " << step;
      most = std::max(most, status.iterations);
    }
    EXPECT_LE(most, 6) << which << " took " << most;
  }
}

}  // namespace
}  // namespace pendula
