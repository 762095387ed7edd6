// Every way of stepping a chain gives the same bits: the 6-D and the in-plane algebra one chain
// at a time, on the program's chain from random states (angles up to 2000 rad) under every
// setting the keys select, with non-finite chains among them; and the Heun and rk4 steps in lane
// packs of every width this build and CPU have, for link counts from 1 to 256 and chain counts
// that leave the last pack or pair part empty. Any link count gives a chain's right motion.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "dynamics/calls/chain_calls.h"
#include "dynamics/lanes/lane_widths.h"
#include "pendula/dynamics.h"
#include "tests/dynamics/chain_fixture.h"

namespace pendula {
namespace {

constexpr int Chains = 37;  // fills no whole number of packs of 2, 4 or 8
constexpr int Steps = 3;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();

struct Batch {
  double p[Chains][20];
  double q[Chains][20];
};

// Random chains, every other one with angles of many turns, and four that are not finite or
// cannot be reduced, one of them in the last, part-empty pack of every width.
Batch RandomBatch(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  Batch batch;
  for (int i = 0; i < Chains; ++i) {
    const double angleScale = i % 2 == 0 ? 3.14159 : 2000.0;
    for (int k = 0; k < 20; ++k) {
      batch.p[i][k] = 5.0 * unit(random);
      batch.q[i][k] = angleScale * unit(random);
    }
  }
  batch.q[5][3] = NaN;
  batch.p[11][19] = Infinity;
  batch.q[12][0] = -1e300;
  batch.p[36][7] = NaN;
  return batch;
}

// The same bits, or NaN in both: the sign and payload of a NaN are not the arithmetic's to fix.
bool SameValue(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::memcmp(&a, &b, sizeof a) == 0;
}

::testing::AssertionResult SameChains(const Batch& actual, const Batch& expected, int count) {
  for (int i = 0; i < count; ++i) {
    for (int k = 0; k < 20; ++k) {
      if (!SameValue(actual.p[i][k], expected.p[i][k]) ||
          !SameValue(actual.q[i][k], expected.q[i][k])) {
        return ::testing::AssertionFailure()
               << "chain " << i << ", joint " << k + 1 << ": p " << actual.p[i][k] << " for "
               << expected.p[i][k] << ", q " << actual.q[i][k] << " for " << expected.q[i][k];
      }
    }
  }
  return ::testing::AssertionSuccess();
}

constexpr JointTorqueSettings EverySetting[] = {{5.0, 0.0}, {5.0, 100.0}, {5.0, -100.0},
                                                {0.0, 0.0}, {0.0, 100.0}, {0.0, -100.0},
                                                {1.0, 0.0}, {1.0, 100.0}, {1.0, -100.0}};

// Steps each chain alone in the given algebra, as HeunStep does.
template <typename Algebra>
void StepOneByOne(const ChainModel& model, const JointTorqueSettings& settings, Batch& batch,
                  int count) {
  testing::TestChainData<Algebra> working(20);
  for (int i = 0; i < count; ++i) {
    HeunStep(model, working.data.evaluation, working.data.step, settings, 0.012, batch.p[i],
             batch.q[i]);
  }
}

TEST(OneChainAtATime, SixDimensionalAndInPlaneAlgebrasGiveTheSameBits) {
  const testing::TestChain chain(20);
  const ChainModel& model = chain.model;
  for (const JointTorqueSettings& settings : EverySetting) {
    Batch inPlane = RandomBatch(7), general = inPlane;
    for (int step = 0; step < Steps; ++step) {
      StepOneByOne<PlaneAlgebra>(model, settings, inPlane, Chains);
      StepOneByOne<SpatialAlgebra>(model, settings, general, Chains);
    }
    EXPECT_TRUE(SameChains(general, inPlane, Chains))
        << "b = " << settings.frictionCoefficient << ", tau = " << settings.appliedTorque;
  }
}

TEST(StepChains, ThePublicCallStepsAsHeunStepDoes) {
  setUpModel(0.012);
  Batch alone = RandomBatch(13), batch = alone;
  for (int i = 0; i < Chains; ++i) HeunStep(alone.p[i], alone.q[i], 1.0, -100.0);
  StepChains(batch.p, batch.q, Chains, 1.0, -100.0);
  EXPECT_TRUE(SameChains(batch, alone, Chains));
}

// A straight chain of n links at rest, all angles zero: no joint moves, and joint k carries the
// weight of the m = n + 1 - k links beyond it, each at its centre: ṗ_k = -g m²/2. The table's
// cos 0 is 1 - 1.1e-11, which the n links compound. And rates turned into momenta and back: the
// two recursions agree only if both honour every link.
TEST(AnyLinkCount, FallsStraightAsItMustAndRecoversItsRates) {
  for (const int n : {1, 2, 3, 57, 256}) {
    const testing::TestChain chain(n);
    const std::vector<double> zeros(static_cast<std::size_t>(n), 0.0);
    std::vector<double> pdot(zeros), qdot(zeros);
    testing::EvaluateChain(chain.model, JointTorqueSettings{5.0, 0.0}, zeros.data(), zeros.data(),
                           pdot.data(), qdot.data());
    for (int k = 1; k <= n; ++k) {
      const double m = n + 1 - k, expected = -StandardGravity * m * m / 2.0;
      EXPECT_EQ(qdot[k - 1], 0.0) << n << " links, joint " << k;
      EXPECT_NEAR(pdot[k - 1], expected, 1e-10 * n * std::fabs(expected))
          << n << " links, joint " << k;
    }
    std::mt19937 random(static_cast<std::uint32_t>(n));
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<double> q(zeros), rates(zeros), p(zeros);
    for (int k = 0; k < n; ++k) {
      q[k] = 3.0 * unit(random);
      rates[k] = unit(random);
    }
    testing::MomentaOfChain(chain.model, p.data(), q.data(), rates.data());
    testing::EvaluateChain(chain.model, JointTorqueSettings{5.0, 0.0}, p.data(), q.data(),
                           pdot.data(), qdot.data());
    for (int k = 0; k < n; ++k) {
      EXPECT_NEAR(qdot[k], rates[k], 1e-9) << n << " links, joint " << k + 1;
    }
  }
}

// The batch step by the method in the lanes of `width`, through the one width dispatch, in
// storage of its own.
void StepInLanesAtWidth(int width, StepMethod method, const ChainModel& chainModel,
                        BatchTorques torques, double h, double* momenta, double* angles,
                        int count) {
  ChainModel model = chainModel;
  model.laneWidth = width;
  const AlignedBlock storage = MakeAlignedBlock(LaneBytes(width, model.linkCount));
  StepInLanes(method, model, storage.get(), h, 1.0, torques, momenta, angles, count);
}

// Every width this build and CPU have, against one chain at a time in the in-plane algebra, for
// link counts from 1 to 256 and 19 chains (a part-empty last pack at every width, and a last
// pair that is part empty), with one torque row per chain.
TEST(Lanes, EveryWidthStepsAsOneChainAtATime) {
  constexpr int Count = 19;
  constexpr double H = 0.012;
  for (const int n : {1, 2, 5, 20, 57, 256}) {
    const testing::TestChain chain(n);
    const std::size_t size = static_cast<std::size_t>(Count) * n;
    std::mt19937 random(static_cast<std::uint32_t>(n));
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::vector<double> p(size), q(size), tau(size);
    for (std::size_t i = 0; i < size; ++i) {
      p[i] = unit(random);
      q[i] = 3.0 * unit(random);
      tau[i] = 50.0 * unit(random);
    }
    for (const bool rk4 : {false, true}) {
      std::vector<double> pAlone(p), qAlone(q);
      testing::TestChainData<PlaneAlgebra> working(n);
      OneChainData<PlaneAlgebra>& d = working.data;
      const JointTorqueSettings settings = PerJoint(1.0);
      for (int i = 0; i < Count; ++i) {
        double* pi = &pAlone[static_cast<std::size_t>(i) * n];
        double* qi = &qAlone[static_cast<std::size_t>(i) * n];
        std::memcpy(d.evaluation.appliedTorque, &tau[static_cast<std::size_t>(i) * n],
                    sizeof(double) * static_cast<std::size_t>(n));
        if (rk4) {
          auto f = [&](const double* ps, const double* qs, double* pdot, double* qdot) {
            ForwardDynamics(chain.model, d.evaluation, settings, ps, qs, pdot, qdot);
          };
          Rk4Step(f, n, H, pi, qi, Rk4StorageIn(d.step));
        } else {
          HeunStep(chain.model, d.evaluation, d.step, settings, H, pi, qi);
        }
      }
      for (const int width : {2, 4, 8}) {
        if (!LaneWidthAvailable(width)) continue;
        std::vector<double> pLanes(p), qLanes(q);
        StepInLanesAtWidth(width, rk4 ? StepMethod::Rk4 : StepMethod::Heun, chain.model,
                           BatchTorques{nullptr, tau.data()}, H, pLanes.data(), qLanes.data(),
                           Count);
        const std::string what = std::to_string(n) + " links, " + std::to_string(width) +
                                 " lanes, " + (rk4 ? "rk4" : "Heun");
        EXPECT_EQ(std::memcmp(pLanes.data(), pAlone.data(), size * sizeof(double)), 0) << what;
        EXPECT_EQ(std::memcmp(qLanes.data(), qAlone.data(), size * sizeof(double)), 0) << what;
      }
    }
  }
}

}  // namespace
}  // namespace pendula
