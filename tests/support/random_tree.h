// Random tree descriptions for the tests of models built at run time: random parents (each an
// earlier joint or the base), revolute and prismatic joints about tilted axes, placed by random
// translations and roll-pitch-yaw, bodies with random mass, centre of mass and inertia (principal
// moments a rigid body can have, principal axes turned at random), and damping; reproducible from
// a seed. The chain of a Chain description, as the same tree, too.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <string>

#include "pendula/chain.h"
#include "pendula/model.h"

namespace pendula {
namespace testing {

// The inertia about the centre of mass of principal moments (y + z, x + z, x + y) of random
// positive second moments (which always form a triangle), turned by a random rotation.
template <typename Between>
inline void RandomBodyInertia(Between& between, double (&inertia)[6]) {
  const double x = between(0.001, 0.05), y = between(0.001, 0.05), z = between(0.001, 0.05);
  const double moments[3] = {y + z, x + z, x + y};
  double w = between(-1, 1), u = between(-1, 1), v = between(-1, 1), s = between(-1, 1);
  const double norm = std::sqrt(w * w + u * u + v * v + s * s);
  w /= norm, u /= norm, v /= norm, s /= norm;
  const double R[3][3] = {{1 - 2 * (v * v + s * s), 2 * (u * v - w * s), 2 * (u * s + w * v)},
                          {2 * (u * v + w * s), 1 - 2 * (u * u + s * s), 2 * (v * s - w * u)},
                          {2 * (u * s - w * v), 2 * (v * s + w * u), 1 - 2 * (u * u + v * v)}};
  const int row[6] = {0, 0, 0, 1, 1, 2}, column[6] = {0, 1, 2, 1, 2, 2};
  for (int e = 0; e < 6; ++e) {
    double entry = 0.0;
    for (int m = 0; m < 3; ++m) entry += R[row[e]][m] * moments[m] * R[column[e]][m];
    inertia[e] = entry;
  }
}

// A tree of `joints` random joints; every fourth or so prismatic when `prismatic`. `robotLike`:
// axes along the coordinate axes and placements turned by quarter turns, give or take a
// rounding error (as robots' files have them: parallel and nearly parallel axes).
inline ModelDescription RandomTree(int joints, std::uint64_t seed, bool prismatic = true,
                                   double damping = 0.0, bool robotLike = false) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const auto between = [&](double lo, double hi) { return lo + (hi - lo) * unit(random); };
  ModelDescription tree;
  for (int i = 0; i < joints; ++i) {
    Joint joint;
    joint.name = "j" + std::to_string(i);
    joint.parent = static_cast<int>(std::floor(between(-1.0, i)));
    joint.kind = prismatic && unit(random) < 0.25 ? JointKind::Prismatic : JointKind::Revolute;
    for (double& a : joint.axis) a = between(-1.0, 1.0);
    for (double& x : joint.xyz) x = between(-0.5, 0.5);
    for (double& r : joint.rpy) r = between(-3.0, 3.0);
    if (robotLike) {
      const int along = static_cast<int>(between(0.0, 2.999));
      for (int k = 0; k < 3; ++k) joint.axis[k] = k == along ? 1.0 : 0.0;
      for (double& r : joint.rpy) {
        r = 1.5707963267948966 * std::floor(between(-2.0, 2.0)) + between(-1.0, 1.0) * 1e-16;
      }
    }
    joint.mass = between(0.3, 2.0);
    for (double& c : joint.centreOfMass) c = between(-0.3, 0.3);
    RandomBodyInertia(between, joint.inertia);
    joint.damping = damping * unit(random);
    tree.joints.push_back(joint);
  }
  return tree;
}

}  // namespace testing
}  // namespace pendula
