// LoadUrdf: the description that real robots' files give (the WAM arm and Atlas, from Debian's
// dart-doc), the merging of fixed joints against values worked out by hand, and the placements'
// angles.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "dynamics/urdf/placement.h"
#include "dynamics/urdf/urdf_values.h"
#include "dynamics/urdf_files/xml_elements.h"
#include "pendula/model.h"
#include "tests/support/robot_fingerprint.h"
#include "tests/support/urdf_files.h"

namespace pendula {
namespace {

using testing::ExpectInertia;
using testing::ExpectNear3;
using testing::kDartData;
using testing::kMergedRobot;
using testing::kRounding;
using testing::Readable;
using testing::WriteTemporary;

int JointIndex(const ModelDescription& description, const std::string& name) {
  for (std::size_t i = 0; i < description.joints.size(); ++i) {
    if (description.joints[i].name == name) return static_cast<int>(i);
  }
  ADD_FAILURE() << "no joint " << name;
  return -2;
}

// A serial arm whose base link hangs from the root by a fixed joint: seven turning joints in
// order, the base's own mass dropped, and link 1's inertial frame turned by -1.570796 about x.
TEST(UrdfRobots, WamArmIsASerialChainOfSevenRevoluteJoints) {
  const std::string path = kDartData + "urdf/wam/wam.urdf";
  if (!Readable(path)) GTEST_SKIP() << path << " is missing: install dart-doc";
  const ModelDescription wam = LoadUrdf(path);
  EXPECT_EQ(wam.name, "wam");
  ASSERT_EQ(wam.joints.size(), 7u);
  for (int i = 0; i < 7; ++i) {
    const Joint& joint = wam.joints[i];
    EXPECT_EQ(joint.name, "/j" + std::to_string(i + 1));
    EXPECT_EQ(joint.parent, i - 1) << joint.name;
    EXPECT_EQ(joint.kind, JointKind::Revolute) << joint.name;
    ExpectNear3(joint.axis, {0, 0, 1}, 0.0, joint.name + " axis");
    EXPECT_EQ(joint.damping, 0.0) << joint.name;
  }
  ExpectNear3(wam.joints[0].xyz, {0.22, 0.14, 0.346}, kRounding, "/j1 xyz");
  ExpectNear3(wam.joints[0].rpy, {-1.1127E-16, 0, 0}, kRounding, "/j1 rpy");
  ExpectNear3(wam.joints[3].xyz, {0.045, 0, 0.55}, kRounding, "/j4 xyz");
  ExpectNear3(wam.joints[3].rpy, {-1.5708, 0, 0}, kRounding, "/j4 rpy");

  // /wam1: a quarter turn about x takes the inertial frame's y to the link's z and z to -y, so
  // I_link = (Ixx, Ixz, -Ixy, Izz, -Iyz, Iyy) of the file's. The file's angle is π/2 to 3.3e-7
  // rad, which moves entries of at most 0.14 kg m² by less than 5e-8.
  const double fileAngleError = 5e-8;
  const Joint& link1 = wam.joints[0];
  EXPECT_EQ(link1.mass, 10.76768767);
  ExpectNear3(link1.centreOfMass, {-0.004434, -0.000665, -0.121890}, 0.0, "/wam1 centre");
  ExpectInertia(link1.inertia,
                {0.13488033, -0.00012485, 0.00213041, 0.09046330, -0.00068555, 0.11328369},
                fileAngleError, "/wam1");
}

// A humanoid's tree of 27 revolute joints in alphabetical order in the file: parents first,
// branches depth first, every joint damped, and the three cameras on fixed joints (with their
// massless optical frames) merged into the upper torso.
TEST(UrdfRobots, AtlasIsATreeOfTwentySevenDampedJoints) {
  const std::string path = kDartData + "sdf/atlas/atlas_v3_no_head.urdf";
  if (!Readable(path)) GTEST_SKIP() << path << " is missing: install dart-doc";
  const ModelDescription atlas = LoadUrdf(path);
  EXPECT_EQ(atlas.name, "drc_skeleton");
  ASSERT_EQ(atlas.joints.size(), 27u);
  for (std::size_t i = 0; i < atlas.joints.size(); ++i) {
    const Joint& joint = atlas.joints[i];
    EXPECT_LT(joint.parent, static_cast<int>(i)) << joint.name;
    EXPECT_GE(joint.parent, -1) << joint.name;
    EXPECT_EQ(joint.kind, JointKind::Revolute) << joint.name;
    EXPECT_EQ(joint.damping, 0.1) << joint.name;
  }
  const auto parentOf = [&](const std::string& name) {
    const int parent = atlas.joints[JointIndex(atlas, name)].parent;
    return parent < 0 ? std::string("base") : atlas.joints[parent].name;
  };
  EXPECT_EQ(atlas.joints[0].name, "back_bkz");
  EXPECT_EQ(parentOf("back_bkz"), "base");
  EXPECT_EQ(parentOf("l_leg_hpz"), "base");
  EXPECT_EQ(parentOf("r_leg_hpz"), "base");
  EXPECT_EQ(parentOf("back_bkx"), "back_bky");
  EXPECT_EQ(parentOf("l_arm_shy"), "back_bkx");
  EXPECT_EQ(parentOf("r_arm_shy"), "back_bkx");
  EXPECT_EQ(parentOf("l_arm_wrx"), "l_arm_wry");
  EXPECT_EQ(parentOf("r_leg_akx"), "r_leg_aky");
  EXPECT_EQ(JointIndex(atlas, "l_arm_shx"), JointIndex(atlas, "l_arm_shy") + 1);

  // utorso (52.007 kg, centre (-0.0923, 0, 0.3)) and three 0.1 kg cameras centred on their
  // joints' origins.
  const Joint& back = atlas.joints[JointIndex(atlas, "back_bkx")];
  EXPECT_NEAR(back.mass, 52.307, kRounding * 100);
  const double camerasX = 0.216409 + 0.216409 - 0.0026;
  const double camerasY = -0.121799 + 0.121799 + 0.0264;
  const double camerasZ = 0.406759 + 0.406759 + 0.6649;
  ExpectNear3(back.centreOfMass,
              {(52.007 * -0.0923 + 0.1 * camerasX) / 52.307, 0.1 * camerasY / 52.307,
               (52.007 * 0.3 + 0.1 * camerasZ) / 52.307},
              kRounding, "utorso centre");
  ExpectNear3(back.axis, {1, 0, 0}, 0.0, "back_bkx axis");
  ExpectNear3(back.xyz, {0, 0, 0.05}, 0.0, "back_bkx xyz");
}

TEST(UrdfFixedJoints, MergeMassesAndComposeTheOriginsOfTheJointsBeyond) {
  const std::string path = WriteTemporary("merged.urdf", kMergedRobot);
  const ModelDescription robot = LoadUrdf(path);
  std::remove(path.c_str());
  EXPECT_EQ(robot.name, "merged");
  ASSERT_EQ(robot.joints.size(), 3u);
  const Joint& shoulder = robot.joints[0];
  const Joint& wrist = robot.joints[1];
  const Joint& slider = robot.joints[2];
  EXPECT_EQ(shoulder.name, "shoulder");
  EXPECT_EQ(wrist.name, "wrist");
  EXPECT_EQ(slider.name, "slider");
  EXPECT_EQ(shoulder.parent, -1);
  EXPECT_EQ(wrist.parent, 0);
  EXPECT_EQ(slider.parent, -1);
  EXPECT_EQ(shoulder.kind, JointKind::Revolute);
  EXPECT_EQ(wrist.kind, JointKind::Revolute);
  EXPECT_EQ(slider.kind, JointKind::Prismatic);
  ExpectNear3(shoulder.axis, {0, 1, 0}, 0.0, "shoulder axis");
  ExpectNear3(wrist.axis, {1, 0, 0}, 0.0, "wrist axis, URDF's default");
  EXPECT_EQ(shoulder.damping, 0.25);
  EXPECT_EQ(wrist.damping, 0.0);

  // The arm with the weight, in the arm's frame. The weight's inertial frame (roll a quarter)
  // has the file's (0.01, 0.02, 0.03) as (0.01, 0.03, 0.02) in the weight's axes, and the bolt
  // (yaw a quarter) makes that (0.03, 0.01, 0.02) in the arm's; its centre (0.1, 0, 0) lies at
  // (0, 0.1, -1). m = 3, c = (2·(0, 0, -0.5) + (0, 0.1, -1))/3 = (0, 1/30, -2/3); the arm's
  // centre is d = (0, -1/30, 1/6) from c, the weight's (0, 1/15, -1/3), and
  // m·(|d|²·1 - d·dᵀ) adds (26, 0, 0, 25, 5, 1)·2/900 and (104, 0, 0, 100, 20, 4)/900.
  EXPECT_NEAR(shoulder.mass, 3.0, kRounding);
  ExpectNear3(shoulder.centreOfMass, {0, 1.0 / 30, -2.0 / 3}, kRounding, "arm and weight centre");
  ExpectInertia(shoulder.inertia,
                {0.2 + 0.03 + (52 + 104) / 900.0, 0, 0, 0.2 + 0.01 + (50 + 100) / 900.0,
                 (10 + 20) / 900.0, 0.01 + 0.02 + (2 + 4) / 900.0},
                kRounding, "arm and weight");

  // The wrist on the weight: placed through the bolt, Rz(π/2)·(0.2, 0, 0) + (0, 0, -1), and
  // turned Rz(π/2)·Rx(0.3), which is roll 0.3 and yaw π/2.
  ExpectNear3(wrist.xyz, {0, 0.2, -1}, kRounding, "wrist xyz");
  ExpectNear3(wrist.rpy, {0.3, 0, std::acos(0.0)}, kRounding, "wrist rpy");
  // The massless tip changes nothing, to the bit.
  EXPECT_EQ(wrist.mass, 0.5);
  ExpectNear3(wrist.centreOfMass, {0.05, 0, 0}, 0.0, "hand centre");
  ExpectInertia(wrist.inertia, {0.001, 0, 0, 0.002, 0, 0.002}, 0.0, "hand");

  // The slider on the mount: the mount's 5 kg is on the base, where it does nothing; the slider's
  // origin is Rz(0.5)·(0.4, 0, 0.5) + (1, 0, 0), turned by yaw 0.5.
  ExpectNear3(slider.xyz, {1 + 0.4 * std::cos(0.5), 0.4 * std::sin(0.5), 0.5}, kRounding,
              "slider xyz");
  ExpectNear3(slider.rpy, {0, 0, 0.5}, kRounding, "slider rpy");
  EXPECT_EQ(slider.mass, 3.0);
  ExpectNear3(slider.centreOfMass, {0, 0, 0.1}, 0.0, "carriage centre");
  ExpectInertia(slider.inertia, {0.03, 0.001, 0, 0.04, 0, 0.05}, 0.0, "carriage");
  for (const Joint& joint : robot.joints) {
    for (double value : joint.rpy) EXPECT_TRUE(std::isfinite(value)) << joint.name;
  }
}

// R = Rz(yaw)·Ry(pitch)·Rx(roll), row-major.
void RotationOfRollPitchYaw(double roll, double pitch, double yaw, double r[9]) {
  const double cr = std::cos(roll), sr = std::sin(roll);
  const double cp = std::cos(pitch), sp = std::sin(pitch);
  const double cy = std::cos(yaw), sy = std::sin(yaw);
  // clang-format off
  const double rotation[9] = {cy * cp, cy * sp * sr - sy * cr, cy * sp * cr + sy * sr,
                              sy * cp, sy * sp * sr + cy * cr, sy * sp * cr - cy * sr,
                              -sp,     cp * sr,                cp * cr};
  // clang-format on
  for (int k = 0; k < 9; ++k) r[k] = rotation[k];
}

// The angles that a composed placement is turned back into give the same rotation again, near
// pitch ±π/2 too, where a conversion through asin(-R20) would be a billionth of a radian out.
TEST(UrdfPlacements, RollPitchYawRebuildsEveryRotationEvenNearAQuarterTurnOfPitch) {
  const double quarter = std::acos(0.0);
  for (double roll : {-3.0, -1.0, 0.0, 0.3, 2.5}) {
    for (double pitch : {-quarter, -quarter + 1e-9, -1.0, 0.0, 0.7, quarter - 1e-9, quarter}) {
      for (double yaw : {-2.9, 0.0, 1.0, 3.1}) {
        double rotation[9], rpy[3], rebuilt[9];
        RotationOfRollPitchYaw(roll, pitch, yaw, rotation);
        urdf_reading::RollPitchYaw(rotation, rpy);
        RotationOfRollPitchYaw(rpy[0], rpy[1], rpy[2], rebuilt);
        for (int k = 0; k < 9; ++k) {
          EXPECT_NEAR(rebuilt[k], rotation[k], kRounding)
              << "rpy (" << roll << ", " << pitch << ", " << yaw << ") entry " << k;
        }
      }
    }
  }
}

// The WAM's fall moves by the same bits on every CPU (AVX-512, AVX2 or neither, one state or in
// lanes) and at every optimisation level (the sanitizers' build).
TEST(Urdf, TheWamsFallHasOneFingerprint) {
  const std::string wam = kDartData + "urdf/wam/wam.urdf";
  if (!Readable(wam))
    GTEST_SKIP() << "no " << wam << " (scripts/install-deps.sh installs dart-doc)";
  const std::uint64_t fingerprint = testing::RobotFallFingerprint(LoadUrdf(wam));
  EXPECT_EQ(fingerprint, 0x55fa493dce0c4b75ull);
}

}  // namespace
}  // namespace pendula
