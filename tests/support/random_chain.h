// Random chain descriptions for the tests of chains built at run time: links of random length,
// offset, twist, mass, centre of mass and inertia (principal moments that a rigid body can have,
// principal axes turned at random), reproducible from a seed.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>

#include "pendula/chain.h"

namespace pendula {
namespace testing {

// A chain of `links` random links. inPlane: no twist, no offset d, centres of mass and inertias
// in the link's xy plane (principal axes turned about z only), so that it moves in the base xy
// plane; otherwise twisted, shifted links whose motion is 3-D.
inline ChainDescription RandomChain(int links, std::uint64_t seed, bool inPlane,
                                    Trigonometry trigonometry = Trigonometry::Table) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  const auto between = [&](double lo, double hi) { return lo + (hi - lo) * unit(random); };
  ChainDescription chain;
  chain.trigonometry = trigonometry;
  for (int k = 0; k < links; ++k) {
    Link link;
    link.a = between(0.2, 1.0);
    link.d = inPlane ? 0.0 : between(-0.5, 0.5);
    link.alpha = inPlane ? 0.0 : between(-3.14, 3.14);
    link.mass = between(0.5, 2.0);
    const double c[3] = {between(0.1, 0.6), between(-0.2, 0.2), inPlane ? 0.0 : between(-0.2, 0.2)};
    // Moments (y + z, x + z, x + y) of positive second moments x, y, z always form a triangle.
    const double x = between(0.001, 0.05), y = between(0.001, 0.05), z = between(0.001, 0.05);
    const double moments[3] = {y + z, x + z, x + y};
    // Principal axes: a random rotation (about z alone in the plane), from a unit quaternion.
    double w = between(-1, 1), u = inPlane ? 0.0 : between(-1, 1),
           v = inPlane ? 0.0 : between(-1, 1), s = between(-1, 1);
    const double norm = std::sqrt(w * w + u * u + v * v + s * s);
    w /= norm, u /= norm, v /= norm, s /= norm;
    const double R[3][3] = {{1 - 2 * (v * v + s * s), 2 * (u * v - w * s), 2 * (u * s + w * v)},
                            {2 * (u * v + w * s), 1 - 2 * (u * u + s * s), 2 * (v * s - w * u)},
                            {2 * (u * s - w * v), 2 * (v * s + w * u), 1 - 2 * (u * u + v * v)}};
    // I_origin = R diag(moments) Rᵀ + m (|c|² 1 - c cᵀ)
    const int row[6] = {0, 0, 0, 1, 1, 2}, column[6] = {0, 1, 2, 1, 2, 2};
    const double cc = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
    for (int e = 0; e < 6; ++e) {
      const int i = row[e], j = column[e];
      double entry = 0.0;
      for (int m = 0; m < 3; ++m) entry += R[i][m] * moments[m] * R[j][m];
      link.inertia[e] = entry + link.mass * ((i == j ? cc : 0.0) - c[i] * c[j]);
    }
    if (inPlane) link.inertia[2] = link.inertia[4] = 0.0;
    for (int i = 0; i < 3; ++i) link.centreOfMass[i] = c[i];
    chain.links.push_back(link);
  }
  return chain;
}

}  // namespace testing
}  // namespace pendula
