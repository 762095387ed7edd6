#include "dynamics/urdf/mass_properties.h"

#include <cstddef>
#include <initializer_list>

namespace pendula::urdf_reading {
namespace {

// Index of entry (i, j) of a symmetric 3 by 3 tensor stored as (xx, xy, xz, yy, yz, zz).
constexpr int kSymmetric[3][3] = {{0, 1, 2}, {1, 3, 4}, {2, 4, 5}};

// I += m·(|d|²·1 - d·dᵀ): the inertia about a point of a mass m that lies d from it.
void AddPointMass(double mass, const double d[3], double inertia[6]) {
  const double squared = d[0] * d[0] + d[1] * d[1] + d[2] * d[2];
  for (int i = 0; i < 3; ++i) {
    for (int j = i; j < 3; ++j) {
      inertia[kSymmetric[i][j]] += mass * ((i == j ? squared : 0.0) - d[i] * d[j]);
    }
  }
}

}  // namespace

MassProperties Placed(const MassProperties& body, const Placement& placement) {
  MassProperties placed;
  placed.mass = body.mass;
  Rotated(placement.rotation, body.centre, placed.centre);
  for (int k = 0; k < 3; ++k) placed.centre[k] += placement.translation[k];
  const double* r = placement.rotation;
  // (R·I)(i, j), then I'(i, j) = Σ_k (R·I)(i, k)·R(j, k).
  double rotatedRows[3][3];
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < 3; ++j) {
      rotatedRows[i][j] = r[3 * i] * body.inertia[kSymmetric[0][j]] +
                          r[3 * i + 1] * body.inertia[kSymmetric[1][j]] +
                          r[3 * i + 2] * body.inertia[kSymmetric[2][j]];
    }
  }
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = i; j < 3; ++j) {
      placed.inertia[kSymmetric[i][j]] = rotatedRows[i][0] * r[3 * j] +
                                         rotatedRows[i][1] * r[3 * j + 1] +
                                         rotatedRows[i][2] * r[3 * j + 2];
    }
  }
  return placed;
}

MassProperties Combined(const MassProperties& a, const MassProperties& b) {
  MassProperties combined;
  combined.mass = a.mass + b.mass;
  for (int k = 0; k < 3; ++k) {
    if (b.mass == 0.0) {
      combined.centre[k] = a.centre[k];
    } else if (a.mass == 0.0) {
      combined.centre[k] = b.centre[k];
    } else {
      combined.centre[k] = (a.mass * a.centre[k] + b.mass * b.centre[k]) / combined.mass;
    }
  }
  for (int k = 0; k < 6; ++k) combined.inertia[k] = a.inertia[k] + b.inertia[k];
  for (const MassProperties* part : {&a, &b}) {
    const double d[3] = {part->centre[0] - combined.centre[0], part->centre[1] - combined.centre[1],
                         part->centre[2] - combined.centre[2]};
    AddPointMass(part->mass, d, combined.inertia);
  }
  return combined;
}

}  // namespace pendula::urdf_reading
