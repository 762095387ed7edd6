// The text of a URDF file as MuJoCo's URDF reader needs it to build the file's robot.
#pragma once

#include <string>

namespace pendula {
namespace peers {

// The robot of the URDF text, for MuJoCo (the reasons are in mujoco_urdf.cpp):
// - no comments, visuals, collisions, transmissions or Gazebo elements;
// - MuJoCo's compiler told to keep each link a body and each <inertial> as written;
// - every <inertial> rewritten in its principal axes, exactly the same body to rounding;
// - a link without <inertial> that a moving joint carries given a featherweight one.
std::string UrdfForMuJoCo(const std::string& urdf);

}  // namespace peers
}  // namespace pendula
