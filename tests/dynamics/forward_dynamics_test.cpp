// Tests of ForwardDynamics and the joint torques: the edge cases and the
// cross-checks against the independent Hamiltonian of reference_chain.h.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>

#include "pendula/dynamics.h"
#include "tests/dynamics/chain_fixture.h"
#include "tests/dynamics/reference_chain.h"
#include "tests/support/allocation_counter.h"

namespace pendula {
namespace {

// The all-zero chain is known "to within 1e-6".
constexpr double QuotedTolerance = 1e-6;
// Rates recovered from momenta: both routines use the same table values, so only rounding
// separates them.
constexpr double RoundTripTolerance = 1e-10;
// The same motion evaluated through other terms: rounding alone, relative to the largest
// momentum rate of the state (up to about 2,000).
constexpr double SameMotionRelativeTolerance = 1e-12;
// The dynamics takes sines and cosines from the table (error up to one step, 6.3e-6 rad per
// angle, always truncated the same way), the reference takes them exactly; summed over 20
// joints and lever arms up to 20 m this bounds the agreement to about 1e-4 of the largest
// momentum rate.
constexpr double TableRelativeTolerance = 1e-4;

class ForwardDynamicsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setUpModel(0.012); }
  void SetUp() override { SetActiveJointTorques(0.0, 0.0); }
};

using Joints = double[20];

void RandomState(std::mt19937& random, Joints& p, Joints& q, double momentumScale = 2.0) {
  std::uniform_real_distribution<double> angle(-3.14159, 3.14159), momentum(-1.0, 1.0);
  for (int k = 0; k < 20; ++k) {
    p[k] = momentumScale * momentum(random);
    q[k] = angle(random);
  }
}

TEST_F(ForwardDynamicsTest, StraightChainAtRestFallsWithQuotedRates) {
  SetActiveJointTorques(5.0, 0.0);
  Joints p = {}, q = {}, pdot, qdot;
  ForwardDynamics(p, q, pdot, qdot);
  for (int k = 1; k <= 20; ++k) {
    const double n = 21 - k;
    EXPECT_EQ(qdot[k - 1], 0.0) << k;
    EXPECT_NEAR(pdot[k - 1], -9.80665 * n * n / 2.0, QuotedTolerance) << k;
  }
  EXPECT_NEAR(pdot[0], -1961.33, QuotedTolerance);
  EXPECT_NEAR(pdot[1], -1770.100325, QuotedTolerance);
  EXPECT_NEAR(pdot[18], -19.6133, QuotedTolerance);
  EXPECT_NEAR(pdot[19], -4.903325, QuotedTolerance);
}

TEST_F(ForwardDynamicsTest, HangingChainFeelsTheTableCosineOfMinusHalfPi) {
  Joints p = {}, q = {}, pdot, qdot;
  q[0] = -1.5707963267948966;
  ForwardDynamics(p, q, pdot, qdot);
  for (int k = 0; k < 20; ++k) EXPECT_EQ(qdot[k], 0.0) << k + 1;
  EXPECT_NEAR(pdot[0], -0.00616, 0.000005);
  EXPECT_NEAR(pdot[19], -1.5e-5, 0.05e-5);
  for (int k = 1; k < 20; ++k) {
    EXPECT_LT(pdot[k - 1], 0.0);
    EXPECT_LT(std::fabs(pdot[k]), std::fabs(pdot[k - 1])) << k + 1;
  }
}

TEST_F(ForwardDynamicsTest, AppliedTorqueRaisesOnlyTheFirstMomentumRate) {
  Joints p = {}, q = {}, pdot0, qdot0, pdot, qdot;
  q[0] = -1.5707963267948966;
  ForwardDynamics(p, q, pdot0, qdot0);
  SetActiveJointTorques(0.0, 100.0);
  ForwardDynamics(p, q, pdot, qdot);
  EXPECT_NEAR(pdot[0] - pdot0[0], 100.0, 1e-12 * 100.0);
  for (int k = 1; k < 20; ++k) EXPECT_EQ(pdot[k], pdot0[k]) << k + 1;
  for (int k = 0; k < 20; ++k) EXPECT_EQ(qdot[k], qdot0[k]) << k + 1;
}

TEST_F(ForwardDynamicsTest, FrictionAddsMinusBTimesOutboardRates) {
  std::mt19937 random(5);
  Joints p, q, pdot0, qdot0, pdot, qdot;
  RandomState(random, p, q);
  ForwardDynamics(p, q, pdot0, qdot0);
  SetActiveJointTorques(5.0, 0.0);
  ForwardDynamics(p, q, pdot, qdot);
  double outboard = 0.0;
  for (int k = 19; k >= 0; --k) {
    EXPECT_EQ(qdot[k], qdot0[k]) << k + 1;
    outboard += qdot[k];
    EXPECT_NEAR(pdot[k] - pdot0[k], -5.0 * outboard, 1e-9 * (1.0 + std::fabs(pdot[k]))) << k + 1;
  }
  EXPECT_NEAR(pdot[19] - pdot0[19], -5.0 * qdot[19], 1e-9);
  EXPECT_NEAR(pdot[18] - pdot0[18], -5.0 * (qdot[18] + qdot[19]), 1e-9);
}

TEST_F(ForwardDynamicsTest, TipMomentumSetsEveryJointMovingInAlternatingSense) {
  Joints p = {}, q = {}, pdot, qdot;
  p[19] = 1.0;
  ForwardDynamics(p, q, pdot, qdot);
  EXPECT_NEAR(qdot[19], 19.508, 0.0005);
  EXPECT_NEAR(qdot[18], -12.391, 0.0005);
  EXPECT_NEAR(qdot[17], 5.069, 0.0005);
  for (int k = 0; k < 19; ++k) EXPECT_LT(qdot[k] * qdot[k + 1], 0.0) << k + 1;
}

TEST_F(ForwardDynamicsTest, RecoversTheRatesOfMomentumInitialisation) {
  std::mt19937 random(7);
  std::uniform_real_distribution<double> rate(-2.0, 2.0);
  for (int n = 0; n < 50; ++n) {
    Joints p, q, r, pdot, qdot;
    RandomState(random, p, q);
    for (double& x : r) x = rate(random);
    MomentumInitialisation(p, q, r);
    ForwardDynamics(p, q, pdot, qdot);
    for (int k = 0; k < 20; ++k) ASSERT_NEAR(qdot[k], r[k], RoundTripTolerance) << k + 1;
  }
}

TEST_F(ForwardDynamicsTest, JointRatesEqualDenseSolveOfIndependentMassMatrix) {
  std::mt19937 random(11);
  for (int n = 0; n < 20; ++n) {
    Joints p, q, pdot, qdot;
    RandomState(random, p, q);
    reference::Vector qv, pv;
    std::copy(q, q + 20, qv.begin());
    std::copy(p, p + 20, pv.begin());
    const reference::Vector expected = reference::Solve(reference::MassMatrix(qv), pv);
    ForwardDynamics(p, q, pdot, qdot);
    double scale = 0.0;
    for (double x : expected) scale = std::max(scale, std::fabs(x));
    for (int k = 0; k < 20; ++k) {
      EXPECT_NEAR(qdot[k], expected[k], TableRelativeTolerance * scale) << k + 1;
    }
  }
}

TEST_F(ForwardDynamicsTest, MomentumRatesAreMinusHamiltonianGradient) {
  // Zero friction and torque: pdot = -dH/dq with H from the independent reference, by central
  // differences of step 1e-4 rad (truncation error ~1e-8 relative, far below the table's).
  constexpr double DifferenceStep = 1e-4;
  std::mt19937 random(13);
  for (int n = 0; n < 10; ++n) {
    Joints p, q, pdot, qdot;
    RandomState(random, p, q, n % 2 == 0 ? 0.0 : 3.0);
    reference::Vector qv, pv;
    std::copy(q, q + 20, qv.begin());
    std::copy(p, p + 20, pv.begin());
    const reference::Vector expected =
        reference::NegativeHamiltonianGradient(qv, pv, DifferenceStep);
    ForwardDynamics(p, q, pdot, qdot);
    double scale = 0.0;
    for (double x : expected) scale = std::max(scale, std::fabs(x));
    for (int k = 0; k < 20; ++k) {
      EXPECT_NEAR(pdot[k], expected[k], TableRelativeTolerance * scale)
          << "joint " << k + 1 << " case " << n;
    }
  }
}

// Link constants that the model's own links never have, varied from link to link.
void OffsetAlongZ(LinkParameters& link, int k) {
  link.d = 0.05 * (k % 5) - 0.1;
}
void Twist(LinkParameters& link, int k) {
  const double alpha = 0.3 * (k % 3 - 1);
  link.sinAlpha = std::sin(alpha);
  link.cosAlpha = std::cos(alpha);
}
// Between twisted axes an offset along z is a lever arm.
void TwistAndOffsetAlongZ(LinkParameters& link, int k) {
  Twist(link, k);
  OffsetAlongZ(link, k);
}
void MassOffThePlane(LinkParameters& link, int k) {
  link.centreOfMass[2] = 0.02 * (k % 4);
  link.inertia[2] = 0.001 * (k % 3);
  link.inertia[4] = -0.002;
}

// The model's own links never need the general terms (offsets along z, twists, centres of mass
// and products of inertia off the xy plane); a chain whose links do must still be evaluated
// exactly. Momenta from rates and rates back from momenta go through independent kernels, which
// agree only if both honour those constants. Offsets along z and out-of-plane mass leave the
// motion about parallel z axes as it was, which checks the other way round that the general
// terms add nothing where they must not; twisted axes change it.
TEST_F(ForwardDynamicsTest, ChainsOutOfThePlaneRecoverTheRatesOfMomentumInitialisation) {
  constexpr int States = 10;
  std::mt19937 random(29);
  std::uniform_real_distribution<double> rate(-2.0, 2.0);
  Joints p[States], q[States], r[States], pdotPlanar[States], qdot;
  for (int n = 0; n < States; ++n) {
    RandomState(random, p[n], q[n]);
    for (double& x : r[n]) x = rate(random);
    MomentumInitialisation(p[n], q[n], r[n]);
    ForwardDynamics(p[n], q[n], pdotPlanar[n], qdot);
  }
  struct Change {
    const char* what;
    bool sameMotion;
    void (*apply)(LinkParameters& link, int k);
  };
  const Change changes[] = {
      {"offsets along z", true, OffsetAlongZ},
      {"twists", false, Twist},
      {"twists and offsets along z", false, TwistAndOffsetAlongZ},
      {"mass off the plane", true, MassOffThePlane},
  };
  const JointTorqueSettings settings{0.0, 0.0};
  for (const Change& change : changes) {
    testing::TestChain chain(20);
    for (int k = 0; k < 20; ++k) change.apply(chain.links[k], k);
    chain.Reclassify();
    const ChainModel& model = chain.model;
    ASSERT_EQ(model.shape, ModelShape::General) << change.what;
    double largestMomentumChange = 0.0;
    for (int n = 0; n < States; ++n) {
      Joints momenta, pdot;
      testing::MomentaOfChain(model, momenta, q[n], r[n]);
      testing::EvaluateChain(model, settings, momenta, q[n], pdot, qdot);
      const double rateScale =
          *std::max_element(std::begin(pdotPlanar[n]), std::end(pdotPlanar[n]),
                            [](double x, double y) { return std::fabs(x) < std::fabs(y); });
      for (int k = 0; k < 20; ++k) {
        ASSERT_NEAR(qdot[k], r[n][k], RoundTripTolerance) << change.what << ", joint " << k + 1;
        largestMomentumChange = std::max(largestMomentumChange, std::fabs(momenta[k] - p[n][k]));
        if (change.sameMotion) {
          EXPECT_NEAR(momenta[k], p[n][k], RoundTripTolerance) << change.what << ", " << k + 1;
          EXPECT_NEAR(pdot[k], pdotPlanar[n][k], SameMotionRelativeTolerance * std::fabs(rateScale))
              << change.what << ", joint " << k + 1;
        }
      }
    }
    if (!change.sameMotion) {
      EXPECT_GT(largestMomentumChange, 1e-2) << change.what;
    }
  }
}

TEST_F(ForwardDynamicsTest, WholeTurnsChangeResultsOnlyWithinTableResolution) {
  std::mt19937 random(17);
  Joints p, q, turned, pdot, qdot, pdotTurned, qdotTurned;
  RandomState(random, p, q);
  for (int k = 0; k < 20; ++k) turned[k] = q[k] + (k - 10) * 3 * 6.283185307179586;
  ForwardDynamics(p, q, pdot, qdot);
  ForwardDynamics(p, turned, pdotTurned, qdotTurned);
  for (int k = 0; k < 20; ++k) {
    EXPECT_NEAR(pdotTurned[k], pdot[k], 1e-3 * (1.0 + std::fabs(pdot[k]))) << k + 1;
    EXPECT_NEAR(qdotTurned[k], qdot[k], 1e-3 * (1.0 + std::fabs(qdot[k]))) << k + 1;
  }
}

TEST_F(ForwardDynamicsTest, ResultDependsOnlyOnInputsNotOnEarlierCalls) {
  std::mt19937 random(19);
  Joints pA, qA, pB, qB, pdot1, qdot1, pdot2, qdot2, scratch1, scratch2;
  RandomState(random, pA, qA);
  RandomState(random, pB, qB);
  Joints pSaved, qSaved;
  std::memcpy(pSaved, pA, sizeof pA);
  std::memcpy(qSaved, qA, sizeof qA);
  ForwardDynamics(pA, qA, pdot1, qdot1);
  ForwardDynamics(pB, qB, scratch1, scratch2);
  ForwardDynamics(pA, qA, pdot2, qdot2);
  EXPECT_EQ(std::memcmp(pdot1, pdot2, sizeof pdot1), 0);
  EXPECT_EQ(std::memcmp(qdot1, qdot2, sizeof qdot1), 0);
  EXPECT_EQ(std::memcmp(pSaved, pA, sizeof pA), 0);  // inputs untouched
  EXPECT_EQ(std::memcmp(qSaved, qA, sizeof qA), 0);
}

TEST_F(ForwardDynamicsTest, StartingAngleOf1980RadiansIsFine) {
  Joints p = {}, q = {}, pdot, qdot;
  q[0] = 1980.0;
  ForwardDynamics(p, q, pdot, qdot);
  for (int k = 0; k < 20; ++k) {
    EXPECT_TRUE(std::isfinite(pdot[k]));
    EXPECT_EQ(qdot[k], 0.0);
  }
}

TEST_F(ForwardDynamicsTest, NonFiniteAngleGivesNaNWithoutCrashing) {
  Joints p = {}, q = {}, pdot, qdot;
  q[5] = std::numeric_limits<double>::infinity();
  ForwardDynamics(p, q, pdot, qdot);
  bool anyNaN = false;
  for (int k = 0; k < 20; ++k) anyNaN = anyNaN || std::isnan(pdot[k]);
  EXPECT_TRUE(anyNaN);
  q[5] = std::numeric_limits<double>::quiet_NaN();
  q[0] = 1e300;
  ForwardDynamics(p, q, pdot, qdot);
  EXPECT_TRUE(std::isnan(pdot[0]));
}

TEST_F(ForwardDynamicsTest, AllocatesNothing) {
  std::mt19937 random(23);
  Joints p, q, pdot, qdot;
  RandomState(random, p, q);
  const long long before = testing::AllocationCount();
  for (int n = 0; n < 10; ++n) ForwardDynamics(p, q, pdot, qdot);
  EXPECT_EQ(testing::AllocationCount(), before);
}

}  // namespace
}  // namespace pendula
