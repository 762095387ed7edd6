// The values of a URDF robot that a tree's description takes, whichever parser read them, and
// the description they make: the tree walked from the root, parents first, each fixed joint's
// child merged into the body above it.
#pragma once

#include <string>
#include <vector>

#include "dynamics/urdf/mass_properties.h"
#include "dynamics/urdf/placement.h"
#include "dynamics/urdf/urdf_element.h"
#include "dynamics/urdf/urdf_tree.h"
#include "pendula/model.h"

namespace pendula::urdf_reading {

struct UrdfJointValues {
  Placement origin;  // the joint's frame in its parent link's
  double axis[3] = {1.0, 0.0, 0.0};
  double damping = 0.0;
};

// Indexed as the tree's joints and links: a link's body in its own frame (massless without
// <inertial>).
struct UrdfValues {
  std::vector<UrdfJointValues> joints;
  std::vector<MassProperties> links;
};

// The description of the robot of `tree` with those values, named after the robot.
ModelDescription DescribeUrdf(const UrdfTree& tree, const UrdfValues& values);

// The rotation of roll, pitch and yaw as URDF's parsers take it, through the unit quaternion.
Placement PlacementFromRollPitchYaw(const double rpy[3], const double xyz[3]);

// The values of the robot of `tree`, read from its elements (`robot` the document element that
// the tree was read from) by URDF's rules: a missing <origin> or attribute is zero, a missing
// <axis> is (1, 0, 0), revolute and prismatic joints must have a <limit>, an <inertial> must
// have its <mass value> and all six <inertia> entries. std::invalid_argument,
// "LoadUrdf: <path>:<line>: ..." naming the link or joint as "Link [name]" or "Joint [name]",
// for a rule broken or a value that is not a finite number.
UrdfValues ReadElementValues(const UrdfElement& robot, const UrdfTree& tree,
                             const std::string& path);

// ReadUrdfTree, ReadElementValues and DescribeUrdf: the description of a robot from its
// elements alone, as the web page reads one.
ModelDescription DescribeUrdfElements(const UrdfElement& robot, const std::string& path);

}  // namespace pendula::urdf_reading
