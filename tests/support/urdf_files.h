// The files of the URDF tests: where Debian's robots are, a file written for a test, and the
// robot whose fixed joints the merging tests work out by hand.
#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

namespace pendula {
namespace testing {

// Values of order 1 after the few dozen roundings of turning rpy into rotations, composing and
// merging them, and turning the result back.
constexpr double kRounding = 1e-14;
inline const std::string kDartData = "/usr/share/doc/dart/data/";

inline bool Readable(const std::string& path) {
  return std::ifstream(path).good();
}

inline std::string WriteTemporary(const std::string& name, const std::string& text) {
  std::string path = ::testing::TempDir() + name;
  std::ofstream(path) << text;
  return path;
}

// A fixed joint off a moving body, turned a quarter about z, carries a weight whose inertial
// frame is turned a quarter about x; a joint hangs from the weight; a massless frame hangs from
// that joint's body by a fixed joint; and a fixed joint off the root carries a slider.
inline const char* const kMergedRobot = R"(<?xml version="1.0"?>
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

// got[k] near expected[k], k = 0..2, and an inertia's six entries (xx, xy, xz, yy, yz, zz).
inline void ExpectNear3(const double (&got)[3], const std::vector<double>& expected,
                        double tolerance, const std::string& what) {
  for (int k = 0; k < 3; ++k)
    EXPECT_NEAR(got[k], expected[k], tolerance) << what << "[" << k << "]";
}

inline void ExpectInertia(const double (&got)[6], const std::vector<double>& expected,
                          double tolerance, const std::string& what) {
  const char* entries[6] = {"xx", "xy", "xz", "yy", "yz", "zz"};
  for (int k = 0; k < 6; ++k) {
    EXPECT_NEAR(got[k], expected[k], tolerance) << what << " I" << entries[k];
  }
}

}  // namespace testing
}  // namespace pendula
