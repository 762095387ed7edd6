// The shape of a URDF robot, read and checked before any value is: its links and joints in the
// order of the file, which link is the root and which joints hang from each link.
#pragma once

#include <string>
#include <vector>

#include "dynamics/urdf/urdf_element.h"

namespace pendula::urdf_reading {

enum class UrdfJointType { Revolute, Continuous, Prismatic, Fixed };

struct UrdfLink {
  std::string name;
  int line = 0;
  std::vector<int> childJoints;  // indices into UrdfTree::joints, in the file's order
};

struct UrdfJoint {
  std::string name;
  int line = 0;
  UrdfJointType type = UrdfJointType::Revolute;
  int parent = -1;  // indices into UrdfTree::links
  int child = -1;
};

struct UrdfTree {
  std::string robotName;
  std::vector<UrdfLink> links;
  std::vector<UrdfJoint> joints;
  int root = -1;
};

// The tree of the URDF document whose document element is `robot`, read from `path`:
// std::invalid_argument, its message "LoadUrdf: <path>:<line>: ..." naming the element, for a
// document that is not a <robot>, a link or joint without a name or declared twice, a joint of a
// type other than revolute, continuous, prismatic or fixed (floating and planar among them), a
// parent or child link that no <link> declares, a link with two parent joints, no root or two, or a
// loop.
UrdfTree ReadUrdfTree(const UrdfElement& robot, const std::string& path);

}  // namespace pendula::urdf_reading
