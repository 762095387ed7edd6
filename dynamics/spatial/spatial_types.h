// The quantities of the spatial algebra, of one chain (T = double) or of several side by side
// (T a lane pack): the 6-D SpatialVector and ArticulatedInertia, their in-plane parts
// PlaneVector and PlaneInertia, and the transforms between a link's frame and its parent's.
//
// Every joint is revolute about the z axis of its own link frame, so the motion subspace is
// S = e5, component 5 of a SpatialVector.
#pragma once

namespace pendula {

// Six components, linear part first: (vx, vy, vz, wx, wy, wz) for a motion, (fx, fy, fz, nx, ny,
// nz) for a force. Component 5 is the rotation (or moment) about the joint axis.
template <typename T>
struct SpatialVectorOf {
  T v[6];

  [[gnu::always_inline]] T& operator[](int i) { return v[i]; }
  [[gnu::always_inline]] const T& operator[](int i) const { return v[i]; }
};
using SpatialVector = SpatialVectorOf<double>;

// A symmetric 6 by 6 matrix over the SpatialVector index order, stored as its 21 upper-triangle
// entries row by row: (0,0) (0,1) ... (0,5) (1,1) ... (1,5) (2,2) ... (5,5).
// Column 5, U = M·S, is entries 5, 10, 14, 17, 19, 20; the joint-axis inertia D = S^T·M·S is 20.
template <typename T>
struct ArticulatedInertiaOf {
  T m[21];

  [[gnu::always_inline]] T& operator[](int i) { return m[i]; }
  [[gnu::always_inline]] const T& operator[](int i) const { return m[i]; }
};
using ArticulatedInertia = ArticulatedInertiaOf<double>;

// Index of entry (row, column) of an ArticulatedInertia; either order of the two indices.
constexpr int InertiaEntry(int row, int column) {
  return row <= column ? row * 6 - row * (row - 1) / 2 + (column - row)
                       : column * 6 - column * (column - 1) / 2 + (row - column);
}
// Column 5 of an ArticulatedInertia, U[i] = M(i, 5).
constexpr int UEntry[6] = {5, 10, 14, 17, 19, 20};
// The joint-axis inertia D = M(5, 5).
constexpr int DEntry = 20;

// Where a link's frame lies in its parent's frame: the constant offsets a and d, the constant
// twist alpha about x (by its sine and cosine) and the joint angle theta (by its sine and cosine).
// With E = Rx(alpha)·Rz(theta) (child coordinates to parent coordinates), delta = (a, 0, -d) and
// r = Rx(alpha)·delta (the child origin in parent coordinates):
//   force, child to parent:   Xf  = [[E, 0], [[r]x E, E]]
//   motion, parent to child:  Xf^T
template <typename T>
struct LinkTransformOf {
  double a;
  double d;
  double sinAlpha;
  double cosAlpha;
  T sinTheta;
  T cosTheta;
};
using LinkTransform = LinkTransformOf<double>;

// The in-plane quantities. For a chain whose links are untwisted and unshifted (d = 0, no twist),
// whose centres of mass lie in their link's xy plane, whose inertias have Ixz = Iyz = 0, and
// whose gravity and base motion lie in the base xy plane, the in-plane indices {0, 1, 5} (x, y,
// rotation about z) and the out-of-plane indices {2, 3, 4} never couple: every entry of an
// articulated inertia between the two sets, and components 2, 3, 4 of every velocity, bias and
// force, are exact zeros, and the out-of-plane block never reaches a joint rate or a momentum
// rate. The in-plane kernels work on the in-plane part alone.

// Components 0, 1 and 5 of a SpatialVector.
template <typename T>
struct PlaneVectorOf {
  T c0, c1, c5;
};

// Entries (0,0), (0,1), (0,5), (1,1), (1,5), (5,5) of an ArticulatedInertia: packed entries 0, 1,
// 5, 6, 10 and 20. U is (m05, m15, m55) and D is m55.
template <typename T>
struct PlaneInertiaOf {
  T m00, m01, m05, m11, m15, m55;
};

// The transform of an untwisted, unshifted link: a and the joint angle's sine and cosine.
template <typename T>
struct PlaneTransformOf {
  double a;
  T sinTheta;
  T cosTheta;
};

// The two link algebras that one evaluation is written for: every 6-D quantity, or the in-plane
// part of each. The kernels are overloaded on these types.
struct SpatialAlgebra {
  template <typename T>
  using Vector = SpatialVectorOf<T>;
  template <typename T>
  using Inertia = ArticulatedInertiaOf<T>;
  template <typename T>
  using Transform = LinkTransformOf<T>;
};
struct PlaneAlgebra {
  template <typename T>
  using Vector = PlaneVectorOf<T>;
  template <typename T>
  using Inertia = PlaneInertiaOf<T>;
  template <typename T>
  using Transform = PlaneTransformOf<T>;
};

}  // namespace pendula
