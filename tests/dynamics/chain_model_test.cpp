// Tests of the chain model and its set-up.
#include "dynamics/chain_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "dynamics/dynamics.h"
#include "dynamics/sine_table.h"

namespace pendula {
namespace {

class ChainModelTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setUpModel(0.012); }
  void SetUp() override { SetActiveJointTorques(5.0, 0.0); }
};

void RandomState(std::mt19937& random, double (&p)[20], double (&q)[20]) {
  std::uniform_real_distribution<double> angle(-3.14, 3.14), momentum(-2.0, 2.0);
  for (int k = 0; k < 20; ++k) {
    p[k] = momentum(random);
    q[k] = angle(random);
  }
}

TEST_F(ChainModelTest, SetUpStoresStepBaseAndGravity) {
  EXPECT_EQ(chainModel.stepSize, 0.012);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(chainModel.baseVelocity[i], 0.0);
  const double gravity[6] = {0.0, -9.80665, 0.0, 0.0, 0.0, 0.0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(chainModel.gravity[i], gravity[i]);
  EXPECT_EQ(sineTable.size, SineTableSize);
}

TEST_F(ChainModelTest, EveryLinkCarriesBitIdenticalConstants) {
  EXPECT_EQ(LinkCount, 20);
  const LinkParameters& first = chainModel.links[0];
  const double inertia[6] = {0.01, 0.0, 0.0, 0.33, 0.0, 0.33};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(first.inertia[i], inertia[i]);
  EXPECT_EQ(first.centreOfMass[0], 0.5);
  EXPECT_EQ(first.centreOfMass[1], 0.0);
  EXPECT_EQ(first.centreOfMass[2], 0.0);
  EXPECT_EQ(first.mass, 1.0);
  EXPECT_EQ(first.a, 1.0);
  EXPECT_EQ(first.d, 0.0);
  EXPECT_EQ(first.sinAlpha, 0.0);
  EXPECT_EQ(first.cosAlpha, 1.0);
  for (int link = 1; link < LinkCount; ++link) {
    EXPECT_EQ(std::memcmp(&chainModel.links[link], &first, sizeof first), 0) << link + 1;
  }
}

// The in-plane evaluation hands each link's slots straight to its parent, so the model is
// in-plane only while the lists wire exactly that serial chain; any other wiring is evaluated
// by the general passes, which walk the lists.
TEST_F(ChainModelTest, OnlyTheSerialWiringIsEvaluatedInPlane) {
  EXPECT_EQ(chainModel.shape, ModelShape::InPlane);
  EXPECT_EQ(ClassifyChainModel(chainModel), ModelShape::InPlane);
  chainModel.forceContributions[7].Clear();
  EXPECT_EQ(ClassifyChainModel(chainModel), ModelShape::Untwisted);
  chainModel.forceContributions[7].Append(chainWorkspace.forceSlot[9]);
  EXPECT_EQ(ClassifyChainModel(chainModel), ModelShape::Untwisted);
  setUpModel(0.012);
  chainModel.biasContributions[LinkCount - 1].Append(chainWorkspace.biasSlot[1]);
  EXPECT_EQ(ClassifyChainModel(chainModel), ModelShape::Untwisted);
  setUpModel(0.012);
  chainModel.inertiaContributions[0].Append(chainWorkspace.inertiaSlot[2]);
  EXPECT_EQ(ClassifyChainModel(chainModel), ModelShape::Untwisted);
  setUpModel(0.012);
  EXPECT_EQ(chainModel.shape, ModelShape::InPlane);
}

TEST_F(ChainModelTest, EachLinkCollectsItsChildsSlotsAndTheTipNothing) {
  for (int link = 0; link + 1 < LinkCount; ++link) {
    ASSERT_EQ(chainModel.inertiaContributions[link].size(), 1u);
    ASSERT_EQ(chainModel.biasContributions[link].size(), 1u);
    ASSERT_EQ(chainModel.forceContributions[link].size(), 1u);
    ASSERT_EQ(chainModel.momentumContributions[link].size(), 1u);
    EXPECT_EQ(&chainModel.inertiaContributions[link][0], &chainWorkspace.inertiaSlot[link + 1]);
    EXPECT_EQ(&chainModel.biasContributions[link][0], &chainWorkspace.biasSlot[link + 1]);
    EXPECT_EQ(&chainModel.forceContributions[link][0], &chainWorkspace.forceSlot[link + 1]);
    EXPECT_EQ(&chainModel.momentumContributions[link][0], &chainWorkspace.momentumSlot[link + 1]);
  }
  EXPECT_TRUE(chainModel.inertiaContributions[LinkCount - 1].empty());
  EXPECT_TRUE(chainModel.biasContributions[LinkCount - 1].empty());
  EXPECT_TRUE(chainModel.forceContributions[LinkCount - 1].empty());
  EXPECT_TRUE(chainModel.momentumContributions[LinkCount - 1].empty());
}

TEST_F(ChainModelTest, RepeatedSetUpKeepsOneElementLists) {
  setUpModel(0.012);
  EXPECT_EQ(chainModel.inertiaContributions[0].size(), 1u);
  EXPECT_TRUE(chainModel.forceContributions[LinkCount - 1].empty());
}

TEST_F(ChainModelTest, TipSumsAreItsOwnTermsAlone) {
  std::mt19937 random(1);
  double p[20], q[20], pdot[20], qdot[20], rates[20], momenta[20];
  RandomState(random, p, q);
  ForwardDynamics(p, q, pdot, qdot);
  const int tip = LinkCount - 1;
  const LinkParameters& L = chainModel.links[tip];
  ArticulatedInertia rigid;
  BuildArticulatedInertia(rigid, ContributionList<ArticulatedInertia>{}, L.mass, L.inertia,
                          L.centreOfMass);
  for (int i = 0; i < 21; ++i) EXPECT_EQ(chainWorkspace.articulatedInertia[tip][i], rigid[i]);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(chainWorkspace.articulatedBias[tip][i], 0.0);
    EXPECT_EQ(chainWorkspace.subtreeForce[tip][i], chainWorkspace.load[tip][i]);
  }
  EXPECT_EQ(chainWorkspace.load[tip][5],
            (chainWorkspace.weight[tip][5] + chainWorkspace.appliedTorque[tip]) +
                chainWorkspace.frictionTorque[tip]);
  for (double& r : rates) r = 0.7;
  MomentumInitialisation(momenta, q, rates);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(chainWorkspace.subtreeMomentum[tip][i], chainWorkspace.linkMomentum[tip][i]);
  }
}

TEST_F(ChainModelTest, TipMomentumUsesInertiaAboutJointNotCentre) {
  // Only joint 20 turning, at rate 1: p_20 = Izz = 0.33 exactly, not 0.33 + m·0.5² = 0.58.
  std::mt19937 random(2);
  double p[20], q[20], rates[20] = {};
  RandomState(random, p, q);
  rates[19] = 1.0;
  MomentumInitialisation(p, q, rates);
  EXPECT_EQ(p[19], 0.33);
}

TEST_F(ChainModelTest, AngularPartOfGravityHasNoEffect) {
  std::mt19937 random(3);
  double p[20], q[20], pdot[20], qdot[20], pdot2[20], qdot2[20];
  RandomState(random, p, q);
  ForwardDynamics(p, q, pdot, qdot);
  const SpatialVector saved = chainModel.gravity;
  chainModel.gravity[3] = 1.0;
  chainModel.gravity[4] = -2.0;
  chainModel.gravity[5] = 3.0;
  ForwardDynamics(p, q, pdot2, qdot2);
  chainModel.gravity = saved;
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(pdot2[k], pdot[k]);
    EXPECT_EQ(qdot2[k], qdot[k]);
  }
}

TEST_F(ChainModelTest, GravityInLinkFramesFollowsTheAngles) {
  // Up to the table's resolution: cos 0 from the table is 1 - 1.1e-11, so g_y decays by that
  // factor per link; sin(π/2) and cos(π/2) are off by one table step.
  constexpr double Tolerance = 1e-9 * 20 + 9.80665 * 6.3e-6;
  double p[20] = {}, q[20] = {}, pdot[20], qdot[20];
  ForwardDynamics(p, q, pdot, qdot);
  for (int link = 0; link < LinkCount; ++link) {
    EXPECT_NEAR(chainWorkspace.gravity[link][0], 0.0, Tolerance);
    EXPECT_NEAR(chainWorkspace.gravity[link][1], -9.80665, Tolerance);
    EXPECT_EQ(chainWorkspace.gravity[link][2], 0.0);
  }
  q[0] = 1.5707963267948966;
  ForwardDynamics(p, q, pdot, qdot);
  for (int link = 0; link < LinkCount; ++link) {
    EXPECT_NEAR(chainWorkspace.gravity[link][0], -9.80665, Tolerance);
    EXPECT_NEAR(chainWorkspace.gravity[link][1], 0.0, Tolerance);
  }
}

TEST_F(ChainModelTest, StepSizeChangesNothingButTheHeunStep) {
  std::mt19937 random(4);
  double p[20], q[20], pdot[20], qdot[20], pdot2[20], qdot2[20];
  RandomState(random, p, q);
  ForwardDynamics(p, q, pdot, qdot);
  double pStep[20], qStep[20], pStep2[20], qStep2[20];
  std::memcpy(pStep, p, sizeof p);
  std::memcpy(qStep, q, sizeof q);
  std::memcpy(pStep2, p, sizeof p);
  std::memcpy(qStep2, q, sizeof q);
  HeunStep(pStep, qStep, 5.0, 0.0);

  setUpModel(0.024);
  EXPECT_EQ(chainModel.stepSize, 0.024);
  ForwardDynamics(p, q, pdot2, qdot2);
  HeunStep(pStep2, qStep2, 5.0, 0.0);
  setUpModel(0.012);
  for (int k = 0; k < 20; ++k) {
    EXPECT_EQ(pdot2[k], pdot[k]);
    EXPECT_EQ(qdot2[k], qdot[k]);
  }
  bool stepDiffers = false;
  for (int k = 0; k < 20; ++k) stepDiffers = stepDiffers || pStep2[k] != pStep[k];
  EXPECT_TRUE(stepDiffers);
}

}  // namespace
}  // namespace pendula
