#include <cmath>

#include "dynamics/trigonometry/exact_sines.h"
#include "dynamics/urdf/urdf_values.h"

namespace pendula::urdf_reading {
namespace {

// A joint still to be placed: the joint of the file, the body it hangs from (-1 for the base)
// and where its parent link lies in that body's frame (not the identity when fixed joints
// were merged on the way).
struct Pending {
  int joint;
  int body;
  Placement parentLink;
};

}  // namespace

Placement PlacementFromRollPitchYaw(const double rpy[3], const double xyz[3]) {
  const double phi = rpy[0] / 2.0, theta = rpy[1] / 2.0, psi = rpy[2] / 2.0;
  double sr, cr, sp, cp, sy, cy;  // exact sines: the same bits on every CPU
  ExactSineAndCosine(phi, sr, cr);
  ExactSineAndCosine(theta, sp, cp);
  ExactSineAndCosine(psi, sy, cy);
  double x = sr * cp * cy - cr * sp * sy;
  double y = cr * sp * cy + sr * cp * sy;
  double z = cr * cp * sy - sr * sp * cy;
  double w = cr * cp * cy + sr * sp * sy;
  const double norm = std::sqrt(x * x + y * y + z * z + w * w);
  if (norm == 0.0) {
    x = y = z = 0.0;
    w = 1.0;
  } else {
    x /= norm;
    y /= norm;
    z /= norm;
    w /= norm;
  }
  return PlacementFromQuaternion(x, y, z, w, xyz);
}

ModelDescription DescribeUrdf(const UrdfTree& tree, const UrdfValues& values) {
  ModelDescription description;
  description.name = tree.robotName;
  std::vector<MassProperties> bodies;
  std::vector<Pending> pending;
  // Depth first, each link's joints in the file's order: pushed last to first.
  const auto hangChildren = [&](int link, int body, const Placement& placement) {
    const std::vector<int>& joints = tree.links[link].childJoints;
    for (auto joint = joints.rbegin(); joint != joints.rend(); ++joint) {
      pending.push_back({*joint, body, placement});
    }
  };
  hangChildren(tree.root, -1, Placement{});
  while (!pending.empty()) {
    const Pending next = pending.back();
    pending.pop_back();
    const UrdfJoint& joint = tree.joints[next.joint];
    const UrdfJointValues& jointValues = values.joints[next.joint];
    const MassProperties& child = values.links[joint.child];
    // The joint's frame in the body's: the parent link's placement, then the joint's <origin>.
    const Placement origin = Composed(next.parentLink, jointValues.origin);
    if (joint.type == UrdfJointType::Fixed) {
      // On the base, which does not move, the mass does nothing; the child's joints still hang
      // where the fixed joint puts them.
      if (next.body >= 0) bodies[next.body] = Combined(bodies[next.body], Placed(child, origin));
      hangChildren(joint.child, next.body, origin);
      continue;
    }
    Joint out;
    out.name = joint.name;
    out.parent = next.body;
    out.kind = joint.type == UrdfJointType::Prismatic ? JointKind::Prismatic : JointKind::Revolute;
    for (int k = 0; k < 3; ++k) {
      out.axis[k] = jointValues.axis[k];
      out.xyz[k] = origin.translation[k];
    }
    RollPitchYaw(origin.rotation, out.rpy);
    out.damping = jointValues.damping;
    const int index = static_cast<int>(description.joints.size());
    description.joints.push_back(out);
    bodies.push_back(child);
    hangChildren(joint.child, index, Placement{});
  }
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    Joint& joint = description.joints[i];
    joint.mass = bodies[i].mass;
    for (int k = 0; k < 3; ++k) joint.centreOfMass[k] = bodies[i].centre[k];
    for (int k = 0; k < 6; ++k) joint.inertia[k] = bodies[i].inertia[k];
  }
  return description;
}

ModelDescription DescribeUrdfElements(const UrdfElement& robot, const std::string& path) {
  const UrdfTree tree = ReadUrdfTree(robot, path);
  return DescribeUrdf(tree, ReadElementValues(robot, tree, path));
}

}  // namespace pendula::urdf_reading
