// Tests of the chain model and its set-up.
#include "dynamics/chain/chain_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "pendula/dynamics.h"
#include "tests/dynamics/chain_fixture.h"

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

TEST_F(ChainModelTest, EveryLinkOfTheProgramCarriesBitIdenticalConstants) {
  const Chain chain = Chain::Program();
  const ChainModel& model = ChainAccess::ModelOf(chain).chain;
  ASSERT_EQ(model.linkCount, 20);
  EXPECT_EQ(model.shape, ModelShape::InPlane);
  const double gravity[6] = {0.0, -9.80665, 0.0, 0.0, 0.0, 0.0};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(model.gravity[i], gravity[i]);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(model.baseVelocity[i], 0.0);
  const LinkParameters& first = model.links[0];
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
  for (int link = 1; link < 20; ++link) {
    EXPECT_EQ(std::memcmp(&model.links[link], &first, sizeof first), 0) << link + 1;
  }
}

// The in-plane algebra drops terms that are exact zeros only while every condition of the shape
// holds; a model that breaks any one of them must be evaluated by the 6-D algebra.
TEST_F(ChainModelTest, AnyTermOutOfThePlaneMakesTheModelGeneral) {
  using Change = void (*)(testing::TestChain&);
  const Change changes[] = {
      [](testing::TestChain& m) { m.links[7].d = 0.1; },
      [](testing::TestChain& m) { m.links[7].sinAlpha = 0.1; },
      [](testing::TestChain& m) { m.links[7].cosAlpha = 0.99; },
      [](testing::TestChain& m) { m.links[19].centreOfMass[2] = 0.1; },
      [](testing::TestChain& m) { m.links[0].inertia[2] = 0.001; },
      [](testing::TestChain& m) { m.links[0].inertia[4] = 0.001; },
      [](testing::TestChain& m) { m.model.gravity[2] = -1.0; },
      [](testing::TestChain& m) { m.model.baseVelocity[2] = 0.1; },
      [](testing::TestChain& m) { m.model.baseVelocity[3] = 0.1; },
      [](testing::TestChain& m) { m.model.baseVelocity[4] = 0.1; },
  };
  for (const Change change : changes) {
    testing::TestChain chain(20);
    EXPECT_EQ(ClassifyChainModel(chain.model), ModelShape::InPlane);
    change(chain);
    EXPECT_EQ(ClassifyChainModel(chain.model), ModelShape::General);
  }
}

TEST_F(ChainModelTest, TipSumsAreItsOwnTermsAlone) {
  std::mt19937 random(1);
  double p[20], q[20], pdot[20], qdot[20], rates[20], momenta[20];
  RandomState(random, p, q);
  const testing::TestChain chain(20);
  const ChainModel& model = chain.model;
  const JointTorqueSettings settings{5.0, 100.0};
  testing::TestChainData<SpatialAlgebra> working(20);
  ChainData<SpatialAlgebra, double>& data = working.data.evaluation;
  const int tip = 19;
  const LinkParameters& L = model.links[tip];
  // The tip's articulated inertia and bias, as the inward pass leaves them (the bias's storage
  // takes the loads later in the evaluation).
  SinesAndCosines(model, data, q);
  ArticulatedInertiasAndBiases(model, data, p);
  ArticulatedInertia rigid;
  BuildArticulatedInertia(rigid, L.mass, L.inertia, L.centreOfMass);
  for (int i = 0; i < 21; ++i) EXPECT_EQ(data.inertia[tip][i], rigid[i]);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(data.bias[tip][i], 0.0);
  ForwardDynamics(model, data, settings, p, q, pdot, qdot);
  // The tip's load is its weight (components 0..4) with no applied torque and its friction.
  const SpatialVector& load = data.load[tip];
  const double weightAboutJoint = L.centreOfMass[0] * load[1] - L.centreOfMass[1] * load[0];
  EXPECT_EQ(data.appliedTorque[tip], 0.0);
  EXPECT_EQ(load[5], (weightAboutJoint + 0.0) + -(5.0 * qdot[tip]));
  // Its force is that load alone.
  EXPECT_EQ(pdot[tip], load[5] - data.velocityTerm[tip]);
  for (double& r : rates) r = 0.7;
  MomentumInitialisation(model, data, momenta, q, rates);
  EXPECT_EQ(momenta[tip], data.load[tip][5]);
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
  testing::TestChain chain(20);
  ChainModel& model = chain.model;
  const JointTorqueSettings settings{5.0, 0.0};
  testing::EvaluateChain(model, settings, p, q, pdot, qdot);
  model.gravity[3] = 1.0;
  model.gravity[4] = -2.0;
  model.gravity[5] = 3.0;
  model.shape = ClassifyChainModel(model);
  for (const ModelShape shape : {ModelShape::InPlane, ModelShape::General}) {
    model.shape = shape;
    testing::EvaluateChain(model, settings, p, q, pdot2, qdot2);
    for (int k = 0; k < 20; ++k) {
      EXPECT_EQ(pdot2[k], pdot[k]);
      EXPECT_EQ(qdot2[k], qdot[k]);
    }
  }
}

TEST_F(ChainModelTest, GravityInLinkFramesFollowsTheAngles) {
  // Up to the table's resolution: cos 0 from the table is 1 - 1.1e-11, so g_y decays by that
  // factor per link; sin(π/2) and cos(π/2) are off by one table step.
  constexpr double Tolerance = 1e-9 * 20 + 9.80665 * 6.3e-6;
  double p[20] = {}, q[20] = {}, pdot[20], qdot[20];
  const testing::TestChain chain(20);
  const ChainModel& model = chain.model;
  testing::TestChainData<SpatialAlgebra> working(20);
  ChainData<SpatialAlgebra, double>& data = working.data.evaluation;
  ForwardDynamics(model, data, JointTorqueSettings{5.0, 0.0}, p, q, pdot, qdot);
  // At rest the loads are the weights alone, m·g_k.
  const auto gravity = [&](int link, int i) { return data.load[link][i] / model.links[link].mass; };
  for (int link = 0; link < 20; ++link) {
    EXPECT_NEAR(gravity(link, 0), 0.0, Tolerance);
    EXPECT_NEAR(gravity(link, 1), -9.80665, Tolerance);
    EXPECT_EQ(gravity(link, 2), 0.0);
  }
  q[0] = 1.5707963267948966;
  ForwardDynamics(model, data, JointTorqueSettings{5.0, 0.0}, p, q, pdot, qdot);
  for (int link = 0; link < 20; ++link) {
    EXPECT_NEAR(gravity(link, 0), -9.80665, Tolerance);
    EXPECT_NEAR(gravity(link, 1), 0.0, Tolerance);
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
