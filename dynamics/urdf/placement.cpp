#include "dynamics/urdf/placement.h"

#include <cmath>
#include <cstddef>

#include "dynamics/trigonometry/exact_sines.h"

namespace pendula::urdf_reading {

Placement PlacementFromQuaternion(double x, double y, double z, double w, const double xyz[3]) {
  Placement placement;
  double* r = placement.rotation;
  // clang-format off
  r[0] = 1.0 - 2.0 * (y * y + z * z); r[1] = 2.0 * (x * y - z * w);       r[2] = 2.0 * (x * z + y * w);
  r[3] = 2.0 * (x * y + z * w);       r[4] = 1.0 - 2.0 * (x * x + z * z); r[5] = 2.0 * (y * z - x * w);
  r[6] = 2.0 * (x * z - y * w);       r[7] = 2.0 * (y * z + x * w);       r[8] = 1.0 - 2.0 * (x * x + y * y);
  // clang-format on
  for (int k = 0; k < 3; ++k) placement.translation[k] = xyz[k];
  return placement;
}

void Rotated(const double rotation[9], const double v[3], double out[3]) {
  for (std::size_t i = 0; i < 3; ++i) {
    out[i] = rotation[3 * i] * v[0] + rotation[3 * i + 1] * v[1] + rotation[3 * i + 2] * v[2];
  }
}

Placement Composed(const Placement& outer, const Placement& inner) {
  Placement placement;
  // R_AC = R_AB·R_BC
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < 3; ++j) {
      placement.rotation[3 * i + j] = outer.rotation[3 * i] * inner.rotation[j] +
                                      outer.rotation[3 * i + 1] * inner.rotation[3 + j] +
                                      outer.rotation[3 * i + 2] * inner.rotation[6 + j];
    }
  }
  // p_AC = R_AB·p_BC + p_AB
  Rotated(outer.rotation, inner.translation, placement.translation);
  for (int k = 0; k < 3; ++k) placement.translation[k] += outer.translation[k];
  return placement;
}

// R = Rz(y)·Ry(p)·Rx(r) =
//   [ cy·cp   cy·sp·sr - sy·cr   cy·sp·cr + sy·sr ]
//   [ sy·cp   sy·sp·sr + cy·cr   sy·sp·cr - cy·sr ]
//   [ -sp     cp·sr              cp·cr            ]
// Yaw first, from column 0; then Rz(-yaw)·R = Ry(p)·Rx(r), whose row 1 is (0, cr, -sr) and whose
// (0, 0) entry is cp >= 0. Taking roll and pitch from that product rather than from R's own
// entries keeps all three angles consistent near pitch ±π/2, where cp·sr and cp·cr vanish and
// asin(-R20) would lose half the digits.
void RollPitchYaw(const double rotation[9], double rpy[3]) {
  const double* r = rotation;
  const double yaw = (r[3] == 0.0 && r[0] == 0.0) ? 0.0 : std::atan2(r[3], r[0]);
  double sy, cy;
  ExactSineAndCosine(yaw, sy, cy);
  rpy[0] = std::atan2(sy * r[2] - cy * r[5], cy * r[4] - sy * r[1]);
  rpy[1] = std::atan2(0.0 - r[6], cy * r[0] + sy * r[3]);  // +0 rather than -0 when level
  rpy[2] = yaw;
}

}  // namespace pendula::urdf_reading
