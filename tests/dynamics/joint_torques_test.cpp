// Tests of the joint-torque routines and the active values they read.
#include "dynamics/joint_torques.h"

#include <gtest/gtest.h>

#include "dynamics/dynamics.h"

namespace pendula {
namespace {

using Joints = double[20];

class JointTorquesTest : public ::testing::Test {};

TEST_F(JointTorquesTest, JointFrictionIsTheNegatedProduct) {
  SetActiveJointTorques(5.0, 0.0);
  Joints rates, out;
  for (int k = 0; k < 20; ++k) rates[k] = 0.1 * k - 0.7;
  JointFriction(out, rates);
  for (int k = 0; k < 20; ++k) EXPECT_EQ(out[k], -(5.0 * rates[k]));
}

TEST_F(JointTorquesTest, AppliedTorqueWritesOnlyJointOne) {
  SetActiveJointTorques(0.0, -100.0);
  Joints out, q = {}, rates = {};
  for (double& x : out) x = 7.0;
  AppliedTorque(out, q, rates);
  EXPECT_EQ(out[0], -100.0);
  for (int k = 1; k < 20; ++k) EXPECT_EQ(out[k], 7.0);
}

TEST_F(JointTorquesTest, SetActiveJointTorquesStoresBothValues) {
  SetActiveJointTorques(1.0, 100.0);
  EXPECT_EQ(activeJointTorques.frictionCoefficient, 1.0);
  EXPECT_EQ(activeJointTorques.appliedTorque, 100.0);
}

}  // namespace
}  // namespace pendula
