// The mass, centre of mass and rotational inertia of a rigid body, moved into another frame and
// combined with another body's: what merging a link across a fixed joint computes.
#pragma once

#include "dynamics/urdf/placement.h"

namespace pendula::urdf_reading {

// The centre of mass in the body frame and the inertia about it in the body's axes,
// (xx, xy, xz, yy, yz, zz) of the symmetric tensor; all zero for a massless body.
struct MassProperties {
  double mass = 0.0;
  double centre[3] = {0.0, 0.0, 0.0};
  double inertia[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
};

// The same body seen from a frame in which its frame lies at `placement`:
// c' = R·c + t, I' = R·I·Rᵀ.
MassProperties Placed(const MassProperties& body, const Placement& placement);

// Two bodies in one frame as one: m = m_a + m_b, c = (m_a·c_a + m_b·c_b)/m, and by the parallel-
// axis theorem I = Σ I_k + m_k·(|d_k|²·1 - d_k·d_kᵀ), d_k = c_k - c. A massless part leaves the
// other's centre exactly as it was.
MassProperties Combined(const MassProperties& a, const MassProperties& b);

}  // namespace pendula::urdf_reading
