// What MuJoCo's URDF reader needs, and why:
// - fusestatic="false" keeps each link that a fixed joint carries as a body of its own (MuJoCo
//   would merge it into its parent, which is exact too, but hides whether its merge and pendula's
//   agree); inertiafromgeom="false" and balanceinertia="false" keep each <inertial> as written
//   (MuJoCo would derive inertias from geometry, or repair them); discardvisual="true" and the
//   stripped elements leave no geometry at all.
// - MuJoCo turns each full inertia tensor into its principal axes by an eigensolver of its own,
//   accurate to only about 1e-9 relative: a one-link robot with a full tensor has its mass matrix
//   off by 1.5e-9, with a diagonal one by 8e-16. So the inertials are handed over already in their
//   principal axes, found here to rounding, and MuJoCo's solver has nothing left to do.
// - MuJoCo refuses a moving body with a mass or a moment below mjMINVAL (1e-15), even when
//   massive bodies hang from it. URDF's massless link (no <inertial>) that a moving joint carries
//   is given mass 1e-14 and moments 1e-14 at its origin, which moves the robots' mass matrices
//   (masses of 0.1 kg and more, moments of 1e-4 and more) by less than 1e-13 relative.
#include "tests/peers/mujoco_urdf.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <vector>

#include "tests/peers/principal_axes.h"
#include "tests/peers/urdf_text.h"

namespace pendula {
namespace peers {
namespace {

constexpr char Compiler[] =
    "<mujoco><compiler fusestatic=\"false\" discardvisual=\"true\" balanceinertia=\"false\" "
    "inertiafromgeom=\"false\"/></mujoco>";

constexpr char Featherweight[] =
    "<inertial><mass value=\"1e-14\"/>"
    "<inertia ixx=\"1e-14\" ixy=\"0\" ixz=\"0\" iyy=\"1e-14\" iyz=\"0\" izz=\"1e-14\"/></inertial>";

void ReadTriple(const std::string& text, double (&v)[3]) {
  std::istringstream in(text);
  for (double& x : v) {
    x = 0.0;
    in >> x;
  }
}

double Number(const std::string& element, const char* name) {
  return std::strtod(Attribute(element, name).c_str(), nullptr);
}

// The <inertial> element in the principal axes of its inertia.
std::string PrincipalInertial(const std::string& inertial) {
  const std::string origin = Child(inertial, "origin"), inertia = Child(inertial, "inertia");
  double xyz[3], rpy[3];
  ReadTriple(Attribute(origin, "xyz"), xyz);
  ReadTriple(Attribute(origin, "rpy"), rpy);
  const double xy = Number(inertia, "ixy"), xz = Number(inertia, "ixz"),
               yz = Number(inertia, "iyz");
  const Matrix3 I = {{Number(inertia, "ixx"), xy, xz},
                     {xy, Number(inertia, "iyy"), yz},
                     {xz, yz, Number(inertia, "izz")}};
  double principalRpy[3], moments[3];
  InPrincipalAxes(rpy, I, principalRpy, moments);
  char text[600];
  std::snprintf(text, sizeof text,
                "<inertial><origin xyz=\"%.17g %.17g %.17g\" rpy=\"%.17g %.17g %.17g\"/>"
                "<mass value=\"%s\"/><inertia ixx=\"%.17g\" ixy=\"0\" ixz=\"0\" iyy=\"%.17g\" "
                "iyz=\"0\" izz=\"%.17g\"/></inertial>",
                xyz[0], xyz[1], xyz[2], principalRpy[0], principalRpy[1], principalRpy[2],
                Attribute(Child(inertial, "mass"), "value").c_str(), moments[0], moments[1],
                moments[2]);
  return text;
}

// The links that a joint other than a fixed one carries.
std::set<std::string> MovedLinks(const std::string& urdf) {
  std::set<std::string> moved;
  for (const Span& s : Elements(urdf, "joint")) {
    const std::string joint = urdf.substr(s.begin, s.end - s.begin);
    if (Attribute(joint, "type") != "fixed") moved.insert(Attribute(Child(joint, "child"), "link"));
  }
  return moved;
}

}  // namespace

std::string UrdfForMuJoCo(const std::string& original) {
  const std::string urdf = KinematicsAndInertiaOnly(original);
  const std::set<std::string> moved = MovedLinks(urdf);
  std::string out;
  std::size_t from = 0;
  for (const Span& s : Elements(urdf, "link")) {
    const std::string link = urdf.substr(s.begin, s.end - s.begin);
    const std::vector<Span> inertials = Elements(link, "inertial");
    out.append(urdf, from, s.begin - from);
    if (!inertials.empty()) {
      const Span& i = inertials[0];
      out += link.substr(0, i.begin) + PrincipalInertial(link.substr(i.begin, i.end - i.begin)) +
             link.substr(i.end);
    } else if (moved.count(Attribute(link, "name")) != 0) {
      const bool selfClosing = link[s.startTagEnd - s.begin - 2] == '/';
      out += selfClosing
                 ? link.substr(0, s.startTagEnd - s.begin - 2) + ">" + Featherweight + "</link>"
                 : link.substr(0, s.startTagEnd - s.begin) + Featherweight +
                       link.substr(s.startTagEnd - s.begin);
    } else {
      out += link;
    }
    from = s.end;
  }
  out += urdf.substr(from);
  return InsideRobot(out, Compiler);
}

}  // namespace peers
}  // namespace pendula
