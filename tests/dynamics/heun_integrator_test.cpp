// Tests of HeunStep: the known numbers, the order of its arithmetic, and that the
// step allocates nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "pendula/dynamics.h"
#include "tests/support/allocation_counter.h"

namespace pendula {
namespace {

using Joints = double[20];

class HeunStepTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setUpModel(0.012); }
};

// Half a unit of the last digit of the known values.
double HalfUnit(double lastDigit) {
  return 0.5 * lastDigit;
}

TEST_F(HeunStepTest, FirstStepFromRestMatchesQuotedNumbers) {
  Joints p = {}, q = {};
  HeunStep(p, q, 5.0, 0.0);
  EXPECT_NEAR(p[0], -23.53596, HalfUnit(1e-5));
  EXPECT_NEAR(p[1], -21.24571, HalfUnit(1e-5));
  EXPECT_NEAR(p[19], -0.05883990, HalfUnit(1e-8));
  EXPECT_NEAR(q[0], -9.019421e-4, HalfUnit(1e-10));
  EXPECT_NEAR(q[1], 1.152137e-3, HalfUnit(1e-9));
  for (int k = 0; k < 20; ++k) EXPECT_LT(p[k], 0.0) << k + 1;
  for (int k = 0; k < 19; ++k) EXPECT_LT(q[k] * q[k + 1], 0.0) << k + 1;  // alternating signs
}

TEST_F(HeunStepTest, SecondStepMatchesQuotedNumbers) {
  Joints p = {}, q = {};
  HeunStep(p, q, 5.0, 0.0);
  HeunStep(p, q, 5.0, 0.0);
  EXPECT_NEAR(p[0], -47.07192, HalfUnit(1e-5));
  EXPECT_NEAR(q[0], -3.191717e-3, HalfUnit(1e-9));
}

TEST_F(HeunStepTest, FrictionActsOnlyThroughPredictedRates) {
  Joints p5 = {}, q5 = {}, p0 = {}, q0 = {};
  HeunStep(p5, q5, 5.0, 0.0);
  HeunStep(p0, q0, 0.0, 0.0);
  EXPECT_NEAR(p0[1], -21.24120, HalfUnit(1e-5));
  for (int k = 0; k < 20; ++k) EXPECT_EQ(q0[k], q5[k]) << k + 1;
}

TEST_F(HeunStepTest, AppliedTorqueEntersBothEvaluations) {
  Joints p = {}, q = {}, pNone = {}, qNone = {};
  HeunStep(p, q, 5.0, 100.0);
  HeunStep(pNone, qNone, 5.0, 0.0);
  EXPECT_NEAR(p[0], -22.33596, HalfUnit(1e-5));
  // Higher by h·τ = 1.2 to the quoted digits (τ also shifts the predicted rates a little).
  EXPECT_NEAR(p[0] - pNone[0], 0.012 * 100.0, HalfUnit(1e-5));
}

TEST_F(HeunStepTest, ChainStartingAtTwentyRadians) {
  Joints p = {}, q = {};
  q[0] = 20.0;
  HeunStep(p, q, 5.0, 0.0);
  EXPECT_NEAR(p[0], -9.604728, HalfUnit(1e-6));
}

TEST_F(HeunStepTest, FromRestEveryAngleIsHalfStepTimesPredictedRate) {
  Joints p = {}, q = {}, pdot1, qdot1, pPredicted, qPredicted, pdot2, qdot2;
  SetActiveJointTorques(5.0, 0.0);
  ForwardDynamics(p, q, pdot1, qdot1);
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(qdot1[k], 0.0);
    EXPECT_LT(pdot1[k], 0.0);
    pPredicted[k] = p[k] + 0.012 * pdot1[k];
    qPredicted[k] = q[k] + 0.012 * qdot1[k];
  }
  ForwardDynamics(pPredicted, qPredicted, pdot2, qdot2);
  HeunStep(p, q, 5.0, 0.0);
  for (int k = 0; k < 20; ++k) EXPECT_NEAR(q[k], 0.012 / 2 * qdot2[k], 1e-18) << k + 1;
}

TEST_F(HeunStepTest, AnglesAreNeverWrapped) {
  Joints p = {}, q = {};
  q[0] = 6.5;
  q[3] = -6.5;
  HeunStep(p, q, 5.0, 0.0);
  EXPECT_NEAR(q[0], 6.5, 0.01);
  EXPECT_NEAR(q[3], -6.5, 0.01);
  Joints pLarge = {}, qLarge = {};
  qLarge[0] = 1980.0;
  HeunStep(pLarge, qLarge, 5.0, 0.0);
  EXPECT_NEAR(qLarge[0], 1980.0, 0.01);
}

TEST_F(HeunStepTest, SettingsOfOneCallDoNotLeakIntoTheNext) {
  Joints p1 = {}, q1 = {}, p2 = {}, q2 = {};
  HeunStep(p1, q1, 0.0, 100.0);
  HeunStep(p2, q2, 5.0, 0.0);
  Joints pFresh = {}, qFresh = {};
  setUpModel(0.012);
  HeunStep(pFresh, qFresh, 5.0, 0.0);
  EXPECT_EQ(std::memcmp(p2, pFresh, sizeof p2), 0);
  EXPECT_EQ(std::memcmp(q2, qFresh, sizeof q2), 0);
}

TEST_F(HeunStepTest, AllocatesNothing) {
  Joints p = {}, q = {};
  const long long before = testing::AllocationCount();
  for (int n = 0; n < 10; ++n) HeunStep(p, q, 5.0, 0.0);
  EXPECT_EQ(testing::AllocationCount(), before);
}

}  // namespace
}  // namespace pendula
