// Tests of MomentumInitialisation, including the joint-space mass matrix it implies.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "pendula/dynamics.h"
#include "tests/dynamics/reference_chain.h"
#include "tests/support/allocation_counter.h"

namespace pendula {
namespace {

// The known tolerances for the unit-rate momenta.
constexpr double TipRateTolerance = 1e-8;
constexpr double BaseRateTolerance = 1e-6;
// Symmetry of A(q): both triangles come from the same table values, only rounding differs.
constexpr double SymmetryTolerance = 1e-12;
// Table sines against exact ones: one step (6.3e-6 rad) per angle, lever arms up to 20 m.
constexpr double TableRelativeTolerance = 1e-4;

class MomentumInitialisationTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setUpModel(0.012); }
};

using Joints = double[20];

void RandomAngles(std::mt19937& random, Joints& q) {
  std::uniform_real_distribution<double> angle(-3.14159, 3.14159);
  for (double& x : q) x = angle(random);
}

// A(q) column by column: column j is the momenta of the unit rate on joint j.
reference::Matrix MassMatrixFromMomenta(const Joints& q) {
  reference::Matrix A{};
  for (int j = 0; j < 20; ++j) {
    Joints rates = {}, p;
    rates[j] = 1.0;
    MomentumInitialisation(p, q, rates);
    for (int i = 0; i < 20; ++i) A[i][j] = p[i];
  }
  return A;
}

TEST_F(MomentumInitialisationTest, ZeroRatesGiveExactlyZeroMomenta) {
  std::mt19937 random(1);
  for (int n = 0; n < 10; ++n) {
    Joints q, rates = {}, p;
    RandomAngles(random, q);
    q[0] += 20.0 * n;
    MomentumInitialisation(p, q, rates);
    for (int k = 0; k < 20; ++k) EXPECT_EQ(p[k], 0.0);
  }
}

TEST_F(MomentumInitialisationTest, TipRateGivesInertiaOfTheTipAboutEachJoint) {
  Joints q = {}, rates = {}, p;
  rates[19] = 1.0;
  MomentumInitialisation(p, q, rates);
  for (int k = 1; k <= 20; ++k) {
    EXPECT_NEAR(p[k - 1], 0.33 + 0.5 * (20 - k), TipRateTolerance) << k;
  }
  EXPECT_NEAR(p[0], 9.83, TipRateTolerance);
  EXPECT_NEAR(p[19], 0.33, TipRateTolerance);
}

TEST_F(MomentumInitialisationTest, BaseRateGivesInertiaOfStraightChain) {
  Joints q = {}, rates = {}, p;
  rates[0] = 1.0;
  MomentumInitialisation(p, q, rates);
  EXPECT_NEAR(p[0], 2666.6, BaseRateTolerance);
  EXPECT_NEAR(p[19], 9.83, TipRateTolerance);  // A(q) is symmetric: equals p_1 of the tip case
}

TEST_F(MomentumInitialisationTest, MassMatrixIsSymmetricPositiveDefinite) {
  std::mt19937 random(3);
  for (int n = 0; n < 10; ++n) {
    Joints q;
    RandomAngles(random, q);
    const reference::Matrix A = MassMatrixFromMomenta(q);
    for (int i = 0; i < 20; ++i) {
      for (int j = i + 1; j < 20; ++j) {
        EXPECT_NEAR(A[i][j], A[j][i], SymmetryTolerance * std::fabs(A[0][0])) << i << "," << j;
      }
    }
    reference::Matrix L;
    EXPECT_TRUE(reference::Cholesky(A, L)) << "case " << n;
  }
}

TEST_F(MomentumInitialisationTest, MassMatrixMatchesIndependentGeometry) {
  std::mt19937 random(5);
  for (int n = 0; n < 5; ++n) {
    Joints q;
    RandomAngles(random, q);
    reference::Vector qv;
    std::copy(q, q + 20, qv.begin());
    const reference::Matrix A = MassMatrixFromMomenta(q), expected = reference::MassMatrix(qv);
    for (int i = 0; i < 20; ++i) {
      for (int j = 0; j < 20; ++j) {
        EXPECT_NEAR(A[i][j], expected[i][j], TableRelativeTolerance * expected[0][0]);
      }
    }
  }
}

TEST_F(MomentumInitialisationTest, AllocatesNothing) {
  Joints q = {}, rates = {}, p;
  rates[3] = 1.0;
  const long long before = testing::AllocationCount();
  MomentumInitialisation(p, q, rates);
  EXPECT_EQ(testing::AllocationCount(), before);
}

}  // namespace
}  // namespace pendula
