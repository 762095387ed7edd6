#include "tests/peers/random_urdf.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

namespace pendula {
namespace peers {
namespace {

constexpr double Pi = 3.141592653589793;

double Uniform(std::mt19937_64& generator, double lo, double hi) {
  const double unit = static_cast<double>(generator() >> 11) * 0x1.0p-53;
  return lo + (hi - lo) * unit;
}

int UniformIndex(std::mt19937_64& generator, int count) {
  return static_cast<int>(generator() % static_cast<std::uint64_t>(count));
}

struct Vec3 {
  double x, y, z;
};

Vec3 UnitVector(std::mt19937_64& generator) {
  for (;;) {
    const Vec3 v{Uniform(generator, -1, 1), Uniform(generator, -1, 1), Uniform(generator, -1, 1)};
    const double norm = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (norm > 0.2 && norm <= 1.0) return {v.x / norm, v.y / norm, v.z / norm};
  }
}

std::string Triple(const Vec3& v) {
  char text[100];
  std::snprintf(text, sizeof text, "%.17g %.17g %.17g", v.x, v.y, v.z);
  return text;
}

Vec3 Shift(std::mt19937_64& generator, double reach) {
  return {Uniform(generator, -reach, reach), Uniform(generator, -reach, reach),
          Uniform(generator, -reach, reach)};
}

std::string Origin(const Vec3& xyz, const Vec3& rpy) {
  return "<origin xyz=\"" + Triple(xyz) + "\" rpy=\"" + Triple(rpy) + "\"/>";
}

std::string Origin(std::mt19937_64& generator, double reach) {
  const Vec3 xyz = Shift(generator, reach);
  const Vec3 rpy{Uniform(generator, -Pi, Pi), Uniform(generator, -Pi, Pi),
                 Uniform(generator, -Pi, Pi)};
  return Origin(xyz, rpy);
}

// A joint's placement and axis in one of three styles. Tilted: turned by any roll, pitch and yaw,
// about any unit axis. Along the axes, as robots are drawn: turned by multiples of π/2 about a
// coordinate axis, ±x, ±y or ±z. Parallel: not turned, about the axis of the joint that moves its
// parent (z when a fixed joint or nothing moves it), so that the two axes are parallel and the
// shift has a part along them, which moves nothing about either axis.
struct Placement {
  std::string origin;
  Vec3 axis;
};
Placement RandomPlacement(std::mt19937_64& generator, const Vec3& parentAxis) {
  const int style = UniformIndex(generator, 4);
  const Vec3 xyz = Shift(generator, 0.5);
  if (style <= 1) {
    const std::string origin = Origin(
        xyz,
        {Uniform(generator, -Pi, Pi), Uniform(generator, -Pi, Pi), Uniform(generator, -Pi, Pi)});
    return {origin, UnitVector(generator)};
  }
  if (style == 2) {
    const double r = (UniformIndex(generator, 4) - 1) * (Pi / 2);
    const double p = (UniformIndex(generator, 4) - 1) * (Pi / 2);
    const double y = (UniformIndex(generator, 4) - 1) * (Pi / 2);
    const int k = UniformIndex(generator, 6);
    const double sign = k < 3 ? 1.0 : -1.0;
    const Vec3 axis{k % 3 == 0 ? sign : 0.0, k % 3 == 1 ? sign : 0.0, k % 3 == 2 ? sign : 0.0};
    return {Origin(xyz, {r, p, y}), axis};
  }
  return {Origin(xyz, {0.0, 0.0, 0.0}), parentAxis};
}

// A body's inertia about its centre of mass, in the inertial frame's axes: principal moments
// a + b >= c (each from two of three random positive numbers, which keeps the triangle inequality
// with a margin) turned into random axes, so that every product of inertia is nonzero.
std::string Inertia(std::mt19937_64& generator) {
  const double s[3] = {Uniform(generator, 0.005, 0.05), Uniform(generator, 0.005, 0.05),
                       Uniform(generator, 0.005, 0.05)};
  const double principal[3] = {s[1] + s[2], s[0] + s[2], s[0] + s[1]};
  // A random rotation from a random unit quaternion.
  const Vec3 u = UnitVector(generator);
  const double angle = Uniform(generator, -Pi, Pi), c = std::cos(angle / 2),
               w = std::sin(angle / 2);
  const double qw = c, qx = w * u.x, qy = w * u.y, qz = w * u.z;
  const double R[3][3] = {
      {1 - 2 * (qy * qy + qz * qz), 2 * (qx * qy - qw * qz), 2 * (qx * qz + qw * qy)},
      {2 * (qx * qy + qw * qz), 1 - 2 * (qx * qx + qz * qz), 2 * (qy * qz - qw * qx)},
      {2 * (qx * qz - qw * qy), 2 * (qy * qz + qw * qx), 1 - 2 * (qx * qx + qy * qy)}};
  double I[3][3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      I[i][j] = 0.0;
      for (int k = 0; k < 3; ++k) I[i][j] += R[i][k] * principal[k] * R[j][k];
    }
  }
  char text[400];
  std::snprintf(text, sizeof text,
                "<inertia ixx=\"%.17g\" ixy=\"%.17g\" ixz=\"%.17g\" iyy=\"%.17g\" iyz=\"%.17g\" "
                "izz=\"%.17g\"/>",
                I[0][0], 0.5 * (I[0][1] + I[1][0]), 0.5 * (I[0][2] + I[2][0]), I[1][1],
                0.5 * (I[1][2] + I[2][1]), I[2][2]);
  return text;
}

std::string Inertial(std::mt19937_64& generator) {
  // One draw after the other: the operands of one expression may be evaluated in any order.
  char mass[100];
  std::snprintf(mass, sizeof mass, "<mass value=\"%.17g\"/>", Uniform(generator, 0.2, 3.0));
  std::string inertial = "<inertial>" + Origin(generator, 0.3);
  inertial += mass;
  inertial += Inertia(generator);
  return inertial + "</inertial>";
}

}  // namespace

void WriteRandomTreeUrdf(const std::string& path, std::uint64_t seed) {
  std::mt19937_64 generator(seed);
  const int moving = 10 + UniformIndex(generator, 21);
  const int fixed = UniformIndex(generator, 7);
  const int links = 1 + moving + fixed;
  // Which of the joints 1 .. links - 1 are fixed, and each link's parent, an earlier link.
  std::vector<bool> isFixed(links, false);
  for (int k = 0; k < fixed; ++k) isFixed[1 + moving + k] = true;
  std::shuffle(isFixed.begin() + 1, isFixed.end(), generator);
  std::vector<int> parent(links, -1);
  std::vector<bool> hasChild(links, false);
  for (int k = 1; k < links; ++k) {
    parent[k] = UniformIndex(generator, k);
    hasChild[parent[k]] = true;
  }
  std::vector<Vec3> axis(links, Vec3{0.0, 0.0, 1.0});  // of the joint that moves each link
  std::vector<std::string> elements;
  for (int k = 0; k < links; ++k) {
    const bool massless = k > 0 && hasChild[k] && Uniform(generator, 0, 1) < 0.2;
    const std::string name = "link" + std::to_string(k);
    elements.push_back("<link name=\"" + name + "\">" + (massless ? "" : Inertial(generator)) +
                       "</link>");
    if (k == 0) continue;
    const char* types[] = {"revolute", "continuous", "prismatic"};
    const std::string type = isFixed[k] ? "fixed" : types[UniformIndex(generator, 3)];
    std::string joint = "<joint name=\"joint" + std::to_string(k) + "\" type=\"" + type + "\">";
    const Placement placement = RandomPlacement(generator, axis[parent[k]]);
    joint += placement.origin;
    joint += "<parent link=\"link" + std::to_string(parent[k]) + "\"/>";
    joint += "<child link=\"" + name + "\"/>";
    if (type != "fixed") {
      joint += "<axis xyz=\"" + Triple(placement.axis) + "\"/>";
      axis[k] = placement.axis;
    }
    if (type == "revolute" || type == "prismatic") {
      joint += "<limit lower=\"-0.01\" upper=\"0.01\" effort=\"1\" velocity=\"0.01\"/>";
    }
    if (type != "fixed" && Uniform(generator, 0, 1) < 0.6) {
      char damping[100];
      std::snprintf(damping, sizeof damping, "<dynamics damping=\"%.17g\"/>",
                    Uniform(generator, 0.0, 2.0));
      joint += damping;
    }
    elements.push_back(joint + "</joint>");
  }
  std::shuffle(elements.begin(), elements.end(), generator);
  std::ofstream out(path);
  out << "<?xml version=\"1.0\"?>\n<robot name=\"random_tree_" << seed << "\">\n";
  for (const std::string& element : elements) out << "  " << element << "\n";
  out << "</robot>\n";
  if (!out) throw std::runtime_error("cannot write " + path);
}

}  // namespace peers
}  // namespace pendula
