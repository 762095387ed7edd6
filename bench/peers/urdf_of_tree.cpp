#include "bench/peers/urdf_of_tree.h"

#include <cmath>
#include <cstdio>

namespace pendula {
namespace bench {
namespace {

std::string Triple(double x, double y, double z) {
  char text[100];
  std::snprintf(text, sizeof text, "%.17g %.17g %.17g", x, y, z);
  return text;
}

std::string Triple(const double (&v)[3]) {
  return Triple(v[0], v[1], v[2]);
}

std::string LinkOf(int joint) {
  return joint < 0 ? std::string("base") : "body" + std::to_string(joint + 1);
}

std::string LinkElement(const Joint& joint, int i) {
  const double* I = joint.inertia;
  char inertia[400];
  std::snprintf(inertia, sizeof inertia,
                "<mass value=\"%.17g\"/><inertia ixx=\"%.17g\" ixy=\"%.17g\" ixz=\"%.17g\" "
                "iyy=\"%.17g\" iyz=\"%.17g\" izz=\"%.17g\"/>",
                joint.mass, I[0], I[1], I[2], I[3], I[4], I[5]);
  return "<link name=\"" + LinkOf(i) + "\"><inertial><origin xyz=\"" + Triple(joint.centreOfMass) +
         "\" rpy=\"0 0 0\"/>" + inertia + "</inertial></link>";
}

std::string JointElement(const Joint& joint, int i) {
  const bool prismatic = joint.kind == JointKind::Prismatic;
  const double* a = joint.axis;
  const double length = std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]);
  std::string text = "<joint name=\"" + joint.name + "\" type=\"" +
                     (prismatic ? "prismatic" : "continuous") + "\"><origin xyz=\"" +
                     Triple(joint.xyz) + "\" rpy=\"" + Triple(joint.rpy) + "\"/><parent link=\"" +
                     LinkOf(joint.parent) + "\"/><child link=\"" + LinkOf(i) + "\"/><axis xyz=\"" +
                     Triple(a[0] / length, a[1] / length, a[2] / length) + "\"/>";
  if (prismatic) text += "<limit lower=\"-1000\" upper=\"1000\" effort=\"1\" velocity=\"1\"/>";
  if (joint.damping > 0.0) {
    char damping[100];
    std::snprintf(damping, sizeof damping, "<dynamics damping=\"%.17g\"/>", joint.damping);
    text += damping;
  }
  return text + "</joint>";
}

}  // namespace

std::string UrdfOfTree(const ModelDescription& tree) {
  std::string urdf = "<?xml version=\"1.0\"?>\n<robot name=\"" +
                     (tree.name.empty() ? std::string("tree") : tree.name) +
                     "\">\n  <link name=\"base\"/>\n";
  for (std::size_t i = 0; i < tree.joints.size(); ++i) {
    const int k = static_cast<int>(i);
    urdf += "  " + LinkElement(tree.joints[i], k) + "\n  " + JointElement(tree.joints[i], k) + "\n";
  }
  return urdf + "</robot>\n";
}

}  // namespace bench
}  // namespace pendula
