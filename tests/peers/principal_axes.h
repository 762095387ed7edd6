// A body's rotational inertia turned into its principal axes, and URDF's roll-pitch-yaw angles,
// to rounding: for a peer whose own diagonalisation is less accurate than that (mujoco_urdf.h).
#pragma once

namespace pendula {
namespace peers {

using Matrix3 = double[3][3];

// R = Rz(yaw)·Ry(pitch)·Rx(roll), URDF's turn of a frame by rpy = (roll, pitch, yaw).
void RotationFromRpy(const double (&rpy)[3], Matrix3& R);
// Angles that give R back, pitch in [-π/2, π/2].
void RpyFromRotation(const Matrix3& R, double (&rpy)[3]);

// A symmetric I = E·diag(moments)·Eᵀ with E a rotation (det +1), by Jacobi's method to
// convergence: E's columns are the principal axes.
void PrincipalAxes(const Matrix3& I, double (&moments)[3], Matrix3& E);

// The inertial frame turned by `rpy` in its link, holding the inertia I: the frame's angles and
// the diagonal inertia of the same body in principal axes. Of the 24 ways to order and orient the
// axes, the one whose pitch lies farthest from ±π/2 is taken, where the angles lose no accuracy.
void InPrincipalAxes(const double (&rpy)[3], const Matrix3& I, double (&principalRpy)[3],
                     double (&moments)[3]);

}  // namespace peers
}  // namespace pendula
