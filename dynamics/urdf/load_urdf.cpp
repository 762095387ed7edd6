// LoadUrdf: the file is read whole, its tree checked with TinyXML2 (urdf_tree.h), which can name
// the line of what is wrong, and its values read by urdfdom, the community's parser; then the
// tree is walked from the root, parents first, each fixed joint's child merged into the body
// above it.
#include <console_bridge/console.h>
#include <urdf_parser/urdf_parser.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "pendula/model.h"
#include "dynamics/urdf/mass_properties.h"
#include "dynamics/urdf/placement.h"
#include "dynamics/urdf/urdf_tree.h"

namespace pendula {
namespace {

using urdf_reading::MassProperties;
using urdf_reading::Placement;
using urdf_reading::UrdfJointType;
using urdf_reading::UrdfTree;

std::string ReadFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    throw UrdfFileError("LoadUrdf: cannot open " + path + ": " + std::strerror(errno));
  }
  std::string text;
  char buffer[1 << 16];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, count);
  const bool failed = std::ferror(file) != 0;
  const int error = errno;
  std::fclose(file);
  if (failed) throw UrdfFileError("LoadUrdf: cannot read " + path + ": " + std::strerror(error));
  return text;
}

// urdfdom reports through console_bridge, which prints to the terminal: while it parses, its
// errors are kept for the exception instead, whatever level the program has set. The handler is
// console_bridge's one global, so parses take turns; it lives as long as the program because
// console_bridge keeps a pointer to the handler it replaced.
class ConsoleCapture : public console_bridge::OutputHandler {
 public:
  void log(const std::string& text, console_bridge::LogLevel level, const char*, int) override {
    if (level < console_bridge::CONSOLE_BRIDGE_LOG_ERROR) return;
    errors += (errors.empty() ? "" : "; ") + text;
  }
  std::string errors;
};

urdf::ModelInterfaceSharedPtr ParseValues(const std::string& xml, const std::string& path) {
  static std::mutex turns;
  static ConsoleCapture capture;
  std::lock_guard<std::mutex> turn(turns);
  capture.errors.clear();
  console_bridge::OutputHandler* const previous = console_bridge::getOutputHandler();
  const console_bridge::LogLevel level = console_bridge::getLogLevel();
  console_bridge::useOutputHandler(&capture);
  if (level > console_bridge::CONSOLE_BRIDGE_LOG_ERROR) {
    console_bridge::setLogLevel(console_bridge::CONSOLE_BRIDGE_LOG_ERROR);
  }
  urdf::ModelInterfaceSharedPtr model;
  std::string failure;
  try {
    model = urdf::parseURDF(xml);
  } catch (const std::exception& error) {
    failure = error.what();
  }
  console_bridge::setLogLevel(level);
  console_bridge::useOutputHandler(previous);
  // urdfdom goes on past some of the errors it reports (a <mass> that is not a number leaves the
  // link's inertial half read): any error it reports refuses the file.
  if (failure.empty()) failure = capture.errors;
  if (failure.empty() && model == nullptr) failure = "urdfdom cannot read it";
  if (!failure.empty()) throw std::invalid_argument("LoadUrdf: " + path + ": " + failure);
  return model;
}

Placement PlacementOf(const urdf::Pose& pose) {
  const double xyz[3] = {pose.position.x, pose.position.y, pose.position.z};
  const urdf::Rotation& q = pose.rotation;
  return urdf_reading::PlacementFromQuaternion(q.x, q.y, q.z, q.w, xyz);
}

// A link's body in its own frame: <inertial>'s origin places the centre of mass and turns the
// inertia, I_link = R·I_inertial·Rᵀ; no <inertial>, no mass.
MassProperties LinkBody(const urdf::Link& link) {
  if (link.inertial == nullptr) return {};
  const urdf::Inertial& inertial = *link.inertial;
  MassProperties own;
  own.mass = inertial.mass;
  const double inertia[6] = {inertial.ixx, inertial.ixy, inertial.ixz,
                             inertial.iyy, inertial.iyz, inertial.izz};
  for (int k = 0; k < 6; ++k) own.inertia[k] = inertia[k];
  return urdf_reading::Placed(own, PlacementOf(inertial.origin));
}

// The joint or link that urdfdom read under `name` (the model keeps it): the tree's names are the
// file's, so a miss means the two parsers disagree.
template <typename Element>
const Element& Lookup(const std::shared_ptr<Element>& element, const std::string& kind,
                      const std::string& name, const std::string& path) {
  if (element == nullptr) {
    throw std::invalid_argument("LoadUrdf: " + path + ": urdfdom did not read " + kind + " '" +
                                name + "'");
  }
  return *element;
}

// A joint still to be placed: the joint of the file, the body it hangs from (-1 for the base)
// and where its parent link lies in that body's frame (not the identity when fixed joints
// were merged on the way).
struct Pending {
  int joint;
  int body;
  Placement parentLink;
};

ModelDescription Describe(const UrdfTree& tree, const urdf::ModelInterface& model,
                          const std::string& path) {
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
    const urdf_reading::UrdfJoint& joint = tree.joints[next.joint];
    const urdf::Joint& values = Lookup(model.getJoint(joint.name), "joint", joint.name, path);
    const std::string& childName = tree.links[joint.child].name;
    const MassProperties child =
        LinkBody(Lookup(model.getLink(childName), "link", childName, path));
    // The joint's frame in the body's: the parent link's placement, then the joint's <origin>.
    const Placement origin = urdf_reading::Composed(
        next.parentLink, PlacementOf(values.parent_to_joint_origin_transform));
    if (joint.type == UrdfJointType::Fixed) {
      // On the base, which does not move, the mass does nothing; the child's joints still hang
      // where the fixed joint puts them.
      if (next.body >= 0) {
        bodies[next.body] =
            urdf_reading::Combined(bodies[next.body], urdf_reading::Placed(child, origin));
      }
      hangChildren(joint.child, next.body, origin);
      continue;
    }
    Joint out;
    out.name = joint.name;
    out.parent = next.body;
    out.kind = joint.type == UrdfJointType::Prismatic ? JointKind::Prismatic : JointKind::Revolute;
    const double axis[3] = {values.axis.x, values.axis.y, values.axis.z};
    for (int k = 0; k < 3; ++k) {
      out.axis[k] = axis[k];
      out.xyz[k] = origin.translation[k];
    }
    urdf_reading::RollPitchYaw(origin.rotation, out.rpy);
    out.damping = values.dynamics == nullptr ? 0.0 : values.dynamics->damping;
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

}  // namespace

ModelDescription LoadUrdf(const std::string& path) {
  const std::string xml = ReadFile(path);
  const UrdfTree tree = urdf_reading::ReadUrdfTree(xml, path);
  const urdf::ModelInterfaceSharedPtr model = ParseValues(xml, path);
  return Describe(tree, *model, path);
}

}  // namespace pendula
