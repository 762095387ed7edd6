// Tests of the joint-torque routines: what each writes, from the settings it is given.
#include "dynamics/chain/joint_torques.h"

#include <gtest/gtest.h>

namespace pendula {
namespace {

using Joints = double[20];

TEST(JointTorques, AppliedTorqueWritesOnlyJointOne) {
  Joints out;
  for (double& x : out) x = 7.0;
  AppliedTorque(out, JointTorqueSettings{0.0, -100.0});
  EXPECT_EQ(out[0], -100.0);
  for (int k = 1; k < 20; ++k) EXPECT_EQ(out[k], 7.0);
}

}  // namespace
}  // namespace pendula
