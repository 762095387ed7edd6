// Where one frame lies in another, as URDF's <origin> places it: a rotation and a translation,
// their composition, and roll-pitch-yaw to and from the rotation.
#pragma once

namespace pendula::urdf_reading {

// A frame F in a frame B: x_B = rotation·x_F + translation, the rotation row-major.
struct Placement {
  double rotation[9] = {1.0, 0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0, 1.0};
  double translation[3] = {0.0, 0.0, 0.0};
};

// The rotation of the unit quaternion (x, y, z, w).
Placement PlacementFromQuaternion(double x, double y, double z, double w, const double xyz[3]);

// outer·inner: frame C placed in A, from C in B (inner) and B in A (outer).
Placement Composed(const Placement& outer, const Placement& inner);

// rotation·v.
void Rotated(const double rotation[9], const double v[3], double out[3]);

// Roll, pitch and yaw of a rotation, R = Rz(yaw)·Ry(pitch)·Rx(roll), with pitch in [-π/2, π/2]
// and roll and yaw in [-π, π]; at pitch ±π/2, where only roll ∓ yaw is defined, yaw is 0.
void RollPitchYaw(const double rotation[9], double rpy[3]);

}  // namespace pendula::urdf_reading
