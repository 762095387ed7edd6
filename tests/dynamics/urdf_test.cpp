// LoadUrdf: the description that real robots' files give (the WAM arm and Atlas, from Debian's
// dart-doc), the merging of fixed joints against values worked out by hand, and every kind of
// file it refuses, with a message that names the file and the element.
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

namespace pendula {
namespace {

// Values of order 1 after the few dozen roundings of turning rpy into rotations, composing and
// merging them, and turning the result back.
constexpr double kRounding = 1e-14;
const std::string kDartData = "/usr/share/doc/dart/data/";

bool Readable(const std::string& path) {
  return std::ifstream(path).good();
}

std::string WriteTemporary(const std::string& name, const std::string& text) {
  std::string path = ::testing::TempDir() + name;
  std::ofstream(path) << text;
  return path;
}

int JointIndex(const ModelDescription& description, const std::string& name) {
  for (std::size_t i = 0; i < description.joints.size(); ++i) {
    if (description.joints[i].name == name) return static_cast<int>(i);
  }
  ADD_FAILURE() << "no joint " << name;
  return -2;
}

void ExpectNear3(const double (&got)[3], const std::vector<double>& expected, double tolerance,
                 const std::string& what) {
  for (int k = 0; k < 3; ++k)
    EXPECT_NEAR(got[k], expected[k], tolerance) << what << "[" << k << "]";
}

void ExpectInertia(const double (&got)[6], const std::vector<double>& expected, double tolerance,
                   const std::string& what) {
  const char* entries[6] = {"xx", "xy", "xz", "yy", "yz", "zz"};
  for (int k = 0; k < 6; ++k) {
    EXPECT_NEAR(got[k], expected[k], tolerance) << what << " I" << entries[k];
  }
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

// A fixed joint off a moving body, turned a quarter about z, carries a weight whose inertial
// frame is turned a quarter about x; a joint hangs from the weight; a massless frame hangs from
// that joint's body by a fixed joint; and a fixed joint off the root carries a slider.
const char* const kMergedRobot = R"(<?xml version="1.0"?>
<robot name="merged">
  <link name="base"/>
  <link name="arm">
    <inertial>
      <origin xyz="0 0 -0.5"/>
      <mass value="2"/>
      <inertia ixx="0.2" ixy="0" ixz="0" iyy="0.2" iyz="0" izz="0.01"/>
    </inertial>
  </link>
  <link name="weight">
    <inertial>
      <origin xyz="0.1 0 0" rpy="1.5707963267948966 0 0"/>
      <mass value="1"/>
      <inertia ixx="0.01" ixy="0" ixz="0" iyy="0.02" iyz="0" izz="0.03"/>
    </inertial>
  </link>
  <link name="hand">
    <inertial>
      <origin xyz="0.05 0 0"/>
      <mass value="0.5"/>
      <inertia ixx="0.001" ixy="0" ixz="0" iyy="0.002" iyz="0" izz="0.002"/>
    </inertial>
  </link>
  <link name="tip"/>
  <link name="mount">
    <inertial>
      <mass value="5"/>
      <inertia ixx="1" ixy="0" ixz="0" iyy="1" iyz="0" izz="1"/>
    </inertial>
  </link>
  <link name="carriage">
    <inertial>
      <origin xyz="0 0 0.1"/>
      <mass value="3"/>
      <inertia ixx="0.03" ixy="0.001" ixz="0" iyy="0.04" iyz="0" izz="0.05"/>
    </inertial>
  </link>
  <joint name="shoulder" type="revolute">
    <parent link="base"/>
    <child link="arm"/>
    <origin xyz="0 0 1"/>
    <axis xyz="0 1 0"/>
    <limit effort="10" velocity="1" lower="-1" upper="1"/>
    <dynamics damping="0.25"/>
  </joint>
  <joint name="bolt" type="fixed">
    <parent link="arm"/>
    <child link="weight"/>
    <origin xyz="0 0 -1" rpy="0 0 1.5707963267948966"/>
  </joint>
  <joint name="wrist" type="continuous">
    <parent link="weight"/>
    <child link="hand"/>
    <origin xyz="0.2 0 0" rpy="0.3 0 0"/>
  </joint>
  <joint name="tip_frame" type="fixed">
    <parent link="hand"/>
    <child link="tip"/>
    <origin xyz="0.1 0 0"/>
  </joint>
  <joint name="mount_bolt" type="fixed">
    <parent link="base"/>
    <child link="mount"/>
    <origin xyz="1 0 0" rpy="0 0 0.5"/>
  </joint>
  <joint name="slider" type="prismatic">
    <parent link="mount"/>
    <child link="carriage"/>
    <origin xyz="0.4 0 0.5"/>
    <axis xyz="1 0 0"/>
    <limit effort="10" velocity="1" lower="0" upper="1"/>
  </joint>
</robot>
)";

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

// One link or joint a line, so that a case's line numbers are its lines' positions.
std::string LinkLine(const std::string& name) {
  return "<link name=\"" + name + "\"/>\n";
}
std::string JointLine(const std::string& name, const std::string& type, const std::string& parent,
                      const std::string& child) {
  return "<joint name=\"" + name + "\" type=\"" + type + "\"><parent link=\"" + parent +
         "\"/><child link=\"" + child + "\"/><limit effort=\"1\" velocity=\"1\"/></joint>\n";
}
std::string Robot(const std::string& body) {
  return "<robot name=\"r\">\n" + body + "</robot>\n";
}

enum class Raised { Nothing, FileError, InvalidArgument };

struct RefusedFile {
  const char* name;  // also the file's name
  std::string xml;   // no file at all when empty
  Raised raised;
  std::vector<std::string> mentions;  // besides the file's path; "@N" stands for "<path>:N:"
};

// Files that LoadUrdf refuses; the last `ValueCases` are refused by urdfdom's rules alone.
constexpr std::size_t ValueCases = 2;
std::vector<RefusedFile> RefusedFiles() {
  const std::string ab = LinkLine("a") + LinkLine("b");
  return {
      {"missing", "", Raised::FileError, {"No such file"}},
      {"bad_xml",
       "<robot name=\"r\">\n<link name=\"a\">\n</robot>\n",
       Raised::InvalidArgument,
       {"@2", "malformed XML", "link"}},
      {"floating",
       Robot(ab + JointLine("free", "floating", "a", "b")),
       Raised::InvalidArgument,
       {"@4", "joint 'free'", "floating"}},
      {"planar",
       Robot(ab + JointLine("glide", "planar", "a", "b")),
       Raised::InvalidArgument,
       {"@4", "joint 'glide'", "planar"}},
      {"unknown_parent",
       Robot(ab + JointLine("j", "revolute", "ghost", "b")),
       Raised::InvalidArgument,
       {"@4", "joint 'j'", "parent link 'ghost'"}},
      {"unknown_child",
       Robot(ab + JointLine("j", "revolute", "a", "ghost")),
       Raised::InvalidArgument,
       {"@4", "joint 'j'", "child link 'ghost'"}},
      {"two_roots",
       Robot(ab + LinkLine("c") + JointLine("j", "revolute", "a", "b")),
       Raised::InvalidArgument,
       {"@4", "link 'c'", "root", "link 'a'"}},
      {"loop",
       Robot(LinkLine("r") + LinkLine("x") + LinkLine("y") + JointLine("xy", "revolute", "x", "y") +
             JointLine("yx", "revolute", "y", "x")),
       Raised::InvalidArgument,
       {"joints 'yx', 'xy'", "loop"}},
      {"no_root",
       Robot(ab + JointLine("ab", "revolute", "a", "b") + JointLine("ba", "revolute", "b", "a")),
       Raised::InvalidArgument,
       {"joints", "'ab'", "'ba'", "loop"}},
      {"two_parents",
       Robot(ab + LinkLine("c") + JointLine("ac", "revolute", "a", "c") +
             JointLine("bc", "revolute", "b", "c") + JointLine("ab", "revolute", "a", "b")),
       Raised::InvalidArgument,
       {"@6", "link 'c'", "joint 'bc'", "joint 'ac'", "loop"}},
      // What only urdfdom checks reaches the message too.
      {"bad_mass",
       Robot("<link name=\"a\"><inertial><mass value=\"heavy\"/></inertial></link>\n" +
             LinkLine("b") + JointLine("j", "revolute", "a", "b")),
       Raised::InvalidArgument,
       {"heavy", "Link [a]"}},
      {"no_limit",
       Robot(ab + "<joint name=\"j\" type=\"prismatic\"><parent link=\"a\"/>"
                  "<child link=\"b\"/></joint>\n"),
       Raised::InvalidArgument,
       {"Joint [j]", "limits"}},
  };
}

TEST(UrdfErrors, EachRefusedFileRaisesTheRightErrorNamingTheFileAndTheElement) {
  for (const RefusedFile& refused : RefusedFiles()) {
    const std::string file = std::string("refused_") + refused.name + ".urdf";
    const std::string path =
        refused.xml.empty() ? ::testing::TempDir() + file : WriteTemporary(file, refused.xml);
    Raised raised = Raised::Nothing;
    std::string message;
    ::testing::internal::CaptureStderr();
    try {
      LoadUrdf(path);
    } catch (const UrdfFileError& error) {
      raised = Raised::FileError;
      message = error.what();
    } catch (const std::invalid_argument& error) {
      raised = Raised::InvalidArgument;
      message = error.what();
    }
    const std::string printed = ::testing::internal::GetCapturedStderr();
    std::remove(path.c_str());
    EXPECT_EQ(raised, refused.raised) << refused.name << ": " << message;
    EXPECT_EQ(printed, "") << refused.name << ": the parser printed to the console";
    EXPECT_NE(message.find(path), std::string::npos) << refused.name << ": " << message;
    for (const std::string& mention : refused.mentions) {
      const std::string expected =
          mention[0] == '@' ? path + ":" + mention.substr(1) + ":" : mention;
      EXPECT_NE(message.find(expected), std::string::npos)
          << refused.name << ": \"" << message << "\" does not mention \"" << expected << "\"";
    }
  }
}

// The description from elements alone, as the web page reads a file its browser parsed: the
// same description as LoadUrdf's for real robots and the merging case, and every refused file
// refused, in the same words where the library's own rules refuse it, naming the same things
// where urdfdom's do.
TEST(UrdfElements, DescribeAsLoadUrdfDoesAndRefuseWhatItRefuses) {
  std::vector<std::string> robots = {WriteTemporary("merged.urdf", kMergedRobot)};
  for (const char* file : {"urdf/wam/wam.urdf", "sdf/atlas/atlas_v3_no_head.urdf"}) {
    if (Readable(kDartData + file)) robots.push_back(kDartData + file);
  }
  for (const std::string& path : robots) {
    std::ifstream in(path);
    const std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const ModelDescription loaded = LoadUrdf(path);
    const ModelDescription read =
        urdf_reading::DescribeUrdfElements(urdf_reading::ReadXmlElements(xml, path), path);
    EXPECT_EQ(read.name, loaded.name);
    ASSERT_EQ(read.joints.size(), loaded.joints.size()) << path;
    for (std::size_t i = 0; i < read.joints.size(); ++i) {
      const Joint &a = read.joints[i], &b = loaded.joints[i];
      const std::string what = path + " " + b.name;
      EXPECT_EQ(a.name, b.name);
      EXPECT_EQ(a.parent, b.parent) << what;
      EXPECT_EQ(a.kind, b.kind) << what;
      EXPECT_EQ(a.damping, b.damping) << what;
      EXPECT_EQ(a.mass, b.mass) << what;
      ExpectNear3(a.axis, {b.axis[0], b.axis[1], b.axis[2]}, 0.0, what + " axis");
      ExpectNear3(a.xyz, {b.xyz[0], b.xyz[1], b.xyz[2]}, kRounding, what + " xyz");
      ExpectNear3(a.rpy, {b.rpy[0], b.rpy[1], b.rpy[2]}, kRounding, what + " rpy");
      ExpectNear3(a.centreOfMass, {b.centreOfMass[0], b.centreOfMass[1], b.centreOfMass[2]},
                  kRounding, what + " centre");
      ExpectInertia(a.inertia, std::vector<double>(b.inertia, b.inertia + 6), kRounding, what);
    }
  }
  std::remove(robots[0].c_str());

  const std::vector<RefusedFile> cases = RefusedFiles();
  for (std::size_t c = 0; c < cases.size(); ++c) {
    const RefusedFile& refused = cases[c];
    if (refused.xml.empty()) continue;
    const std::string path =
        WriteTemporary(std::string("both_") + refused.name + ".urdf", refused.xml);
    std::string byFile, byElements;
    ::testing::internal::CaptureStderr();
    try {
      LoadUrdf(path);
    } catch (const std::invalid_argument& error) {
      byFile = error.what();
    }
    ::testing::internal::GetCapturedStderr();
    try {
      urdf_reading::DescribeUrdfElements(urdf_reading::ReadXmlElements(refused.xml, path), path);
    } catch (const std::invalid_argument& error) {
      byElements = error.what();
    }
    std::remove(path.c_str());
    ASSERT_NE(byFile, "") << refused.name;
    if (c + ValueCases < cases.size()) {
      EXPECT_EQ(byElements, byFile) << refused.name;
      continue;
    }
    for (const std::string& mention : refused.mentions) {
      EXPECT_NE(byElements.find(mention), std::string::npos)
          << refused.name << ": \"" << byElements << "\" does not mention \"" << mention << "\"";
    }
  }
}

}  // namespace
}  // namespace pendula
