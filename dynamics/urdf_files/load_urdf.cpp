// LoadUrdf: the file is read whole, its elements read by TinyXML2, which can name the line of
// what is wrong, its tree checked (urdf_tree.h), and its values read by urdfdom, the community's
// parser; then the description is made from them (urdf_values.h).
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

#include "dynamics/urdf/mass_properties.h"
#include "dynamics/urdf/placement.h"
#include "dynamics/urdf/urdf_tree.h"
#include "dynamics/urdf/urdf_values.h"
#include "dynamics/urdf_files/xml_elements.h"
#include "pendula/model.h"

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

// The values urdfdom read, in the tree's order.
urdf_reading::UrdfValues ValuesOf(const UrdfTree& tree, const urdf::ModelInterface& model,
                                  const std::string& path) {
  urdf_reading::UrdfValues values;
  for (const urdf_reading::UrdfLink& link : tree.links) {
    values.links.push_back(LinkBody(Lookup(model.getLink(link.name), "link", link.name, path)));
  }
  for (const urdf_reading::UrdfJoint& joint : tree.joints) {
    const urdf::Joint& read = Lookup(model.getJoint(joint.name), "joint", joint.name, path);
    urdf_reading::UrdfJointValues out;
    out.origin = PlacementOf(read.parent_to_joint_origin_transform);
    const double axis[3] = {read.axis.x, read.axis.y, read.axis.z};
    for (int k = 0; k < 3; ++k) out.axis[k] = axis[k];
    out.damping = read.dynamics == nullptr ? 0.0 : read.dynamics->damping;
    values.joints.push_back(out);
  }
  return values;
}

}  // namespace

ModelDescription LoadUrdf(const std::string& path) {
  const std::string xml = ReadFile(path);
  const UrdfTree tree = urdf_reading::ReadUrdfTree(urdf_reading::ReadXmlElements(xml, path), path);
  const urdf::ModelInterfaceSharedPtr model = ParseValues(xml, path);
  return urdf_reading::DescribeUrdf(tree, ValuesOf(tree, *model, path));
}

}  // namespace pendula
