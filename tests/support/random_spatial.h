// Random inputs of the spatial kernels' tests: link transforms, six-vectors and articulated
// inertias that a body can have, from the test's own generator.
#pragma once

#include <cmath>
#include <random>

#include "dynamics/spatial/spatial_kernels.h"

namespace pendula {
namespace testing {

// A twisted, shifted link transform at random angles and offsets.
inline LinkTransform RandomTransform(std::mt19937& random) {
  std::uniform_real_distribution<double> angle(-3.14, 3.14), offset(-2.0, 2.0);
  const double alpha = angle(random), theta = angle(random);
  return LinkTransform{offset(random),  offset(random),  std::sin(alpha),
                       std::cos(alpha), std::sin(theta), std::cos(theta)};
}

// A six-vector of entries in [-3, 3].
inline SpatialVector RandomVector(std::mt19937& random) {
  std::uniform_real_distribution<double> value(-3.0, 3.0);
  SpatialVector v;
  for (int i = 0; i < 6; ++i) v[i] = value(random);
  return v;
}

// A random symmetric positive definite articulated inertia: B^T B + identity.
inline ArticulatedInertia RandomInertia(std::mt19937& random) {
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  double B[6][6];
  for (auto& row : B)
    for (double& x : row) x = value(random);
  ArticulatedInertia M;
  for (int i = 0; i < 6; ++i) {
    for (int j = i; j < 6; ++j) {
      double sum = i == j ? 1.0 : 0.0;
      for (int k = 0; k < 6; ++k) sum += B[k][i] * B[k][j];
      M[InertiaEntry(i, j)] = sum;
    }
  }
  return M;
}

}  // namespace testing
}  // namespace pendula
