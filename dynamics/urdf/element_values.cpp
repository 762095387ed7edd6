// The values of a robot read from its elements, by the rules that urdfdom applies to the same
// file for LoadUrdf, so that the web page refuses what the library refuses.
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "dynamics/urdf/urdf_values.h"

namespace pendula::urdf_reading {
namespace {

[[noreturn]] void Fail(const std::string& path, int line, const std::string& what) {
  throw std::invalid_argument("LoadUrdf: " + path + ":" + std::to_string(line) + ": " + what);
}

// Where a value comes from, for the messages: "Link [a]" or "Joint [j]", and the file.
struct Source {
  std::string owner;
  const std::string& path;
};

// The numbers of an attribute, separated by blanks; each must be a whole number's text.
int Numbers(const UrdfElement& element, const char* attribute, const Source& source, double* values,
            int wanted) {
  const char* text = element.Attribute(attribute);
  if (text == nullptr) return 0;
  const std::string quoted =
      "<" + element.name + " " + attribute + "=\"" + std::string(text) + "\">";
  int count = 0;
  const char* at = text;
  while (true) {
    while (*at == ' ' || *at == '\t' || *at == '\n' || *at == '\r') ++at;
    if (*at == '\0') break;
    char* end = nullptr;
    const double value = std::strtod(at, &end);
    const bool blankAfter =
        *end == '\0' || *end == ' ' || *end == '\t' || *end == '\n' || *end == '\r';
    if (end == at || !blankAfter) {
      Fail(source.path, element.line, source.owner + ": " + quoted + " is not a number");
    }
    if (count == wanted) {
      Fail(source.path, element.line,
           source.owner + ": " + quoted + " has more than " + std::to_string(wanted) + " numbers");
    }
    values[count++] = value;
    at = end;
  }
  if (count != wanted) {
    Fail(source.path, element.line,
         source.owner + ": " + quoted + " has " + std::to_string(count) + " numbers, not " +
             std::to_string(wanted));
  }
  return count;
}

// One number that must be there.
double Required(const UrdfElement& element, const char* attribute, const Source& source) {
  double value = 0.0;
  if (Numbers(element, attribute, source, &value, 1) == 0) {
    Fail(source.path, element.line, source.owner + ": <" + element.name + "> has no " + attribute);
  }
  return value;
}

// <origin xyz rpy> under `parent`; the identity without one.
Placement Origin(const UrdfElement& parent, const Source& source) {
  const UrdfElement* origin = parent.FirstChild("origin");
  double xyz[3] = {0.0, 0.0, 0.0};
  double rpy[3] = {0.0, 0.0, 0.0};
  if (origin != nullptr) {
    Numbers(*origin, "xyz", source, xyz, 3);
    Numbers(*origin, "rpy", source, rpy, 3);
  }
  return PlacementFromRollPitchYaw(rpy, xyz);
}

MassProperties LinkBody(const UrdfElement& link, const Source& source) {
  const UrdfElement* inertial = link.FirstChild("inertial");
  if (inertial == nullptr) return {};
  const UrdfElement* mass = inertial->FirstChild("mass");
  if (mass == nullptr) {
    Fail(source.path, inertial->line, source.owner + ": <inertial> has no <mass>");
  }
  MassProperties own;
  own.mass = Required(*mass, "value", source);
  const UrdfElement* inertia = inertial->FirstChild("inertia");
  if (inertia == nullptr) {
    Fail(source.path, inertial->line, source.owner + ": <inertial> has no <inertia>");
  }
  const char* entries[6] = {"ixx", "ixy", "ixz", "iyy", "iyz", "izz"};
  for (int k = 0; k < 6; ++k) own.inertia[k] = Required(*inertia, entries[k], source);
  return Placed(own, Origin(*inertial, source));
}

UrdfJointValues JointValues(const UrdfElement& element, const UrdfJoint& joint,
                            const Source& source) {
  UrdfJointValues values;
  values.origin = Origin(element, source);
  if (joint.type == UrdfJointType::Fixed) return values;
  if (const UrdfElement* axis = element.FirstChild("axis")) {
    Numbers(*axis, "xyz", source, values.axis, 3);
  }
  if (const UrdfElement* dynamics = element.FirstChild("dynamics")) {
    Numbers(*dynamics, "damping", source, &values.damping, 1);
  }
  if (joint.type == UrdfJointType::Revolute || joint.type == UrdfJointType::Prismatic) {
    const UrdfElement* limit = element.FirstChild("limit");
    if (limit == nullptr) {
      Fail(source.path, element.line,
           source.owner + " is of type " + element.Attribute("type") +
               " but it does not specify limits");
    }
    Required(*limit, "effort", source);
    Required(*limit, "velocity", source);
    double bound = 0.0;
    Numbers(*limit, "lower", source, &bound, 1);
    Numbers(*limit, "upper", source, &bound, 1);
  }
  return values;
}

}  // namespace

UrdfValues ReadElementValues(const UrdfElement& robot, const UrdfTree& tree,
                             const std::string& path) {
  UrdfValues values;
  for (const UrdfElement& element : robot.children) {
    if (element.name == "link") {
      const Source source{"Link [" + tree.links[values.links.size()].name + "]", path};
      values.links.push_back(LinkBody(element, source));
    } else if (element.name == "joint") {
      const UrdfJoint& joint = tree.joints[values.joints.size()];
      const Source source{"Joint [" + joint.name + "]", path};
      values.joints.push_back(JointValues(element, joint, source));
    }
  }
  return values;
}

}  // namespace pendula::urdf_reading
