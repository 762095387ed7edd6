// The spatial algebra of a tree's joints, on the chain's quantities (spatial_types.h: 6-D
// vectors linear part first, symmetric inertias as 21 packed entries) and from the same stages:
// rotations about a coordinate axis and shifts, each a congruence of a packed inertia.
//
// Every joint's frame has its axis along z, so a revolute joint's motion subspace is S = e5 and
// a prismatic one's S = e2. A joint's frame lies in its parent's as
//   Rz(gamma) · Rx(alpha) · T(t) · [Rz(q) revolute | Tz(q) prismatic]:
// a turn gamma about the parent's z axis and a twist alpha about the new x axis carry the parent's
// axis onto the joint's (any direction is reached so, the joint frame's own x axis being free),
// then a shift t in the twisted frame. A chain's link is the case gamma = 0, t = (a, 0, -d), and
// a turn or twist of 0 and a shift component of 0 are skipped.
#pragma once

#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"
#include "dynamics/spatial/spatial_kernels.h"
#include "dynamics/spatial/spatial_types.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace joints {

// Where a joint's frame lies in its parent's at q. For a prismatic joint the joint's slide is
// folded into the shift (tz = t0z + q), and there is no joint rotation.
template <typename T>
struct JointTransformOf {
  T s, c;  // the joint rotation Rz(q), when it turns
  T tz;
  double tx, ty;
  double sinAlpha, cosAlpha;
  double sinGamma, cosGamma;
  bool turns;    // revolute
  bool twisted;  // sinAlpha, cosAlpha is not (0, 1)
  bool turned;   // sinGamma, cosGamma is not (0, 1)
};

namespace detail {

// (x_p, x_q) <- (c x_p - s x_q, s x_p + c x_q): a rotation of a vector's components p, q.
template <int p, int q, typename T, typename C>
inline void Rotate(SpatialVectorOf<T>& x, const C& c, const C& s) {
  const T xp = x[p], xq = x[q];
  x[p] = c * xp - s * xq;
  x[q] = s * xp + c * xq;
}

// The same for a 3-vector.
template <int p, int q, typename T, typename C>
inline void Rotate(T (&x)[3], const C& c, const C& s) {
  const T xp = x[p], xq = x[q];
  x[p] = c * xp - s * xq;
  x[q] = s * xp + c * xq;
}

// The packed inertia's congruence by a rotation on (p, q) and on (p + 3, q + 3).
template <int p, int q, typename T, typename C>
inline void RotateBothHalves(T (&m)[21], const C& c, const C& s) {
  const C cc = c * c, ss = s * s, cs = c * s;
  PENDULA_CODE_TARGET::detail::RotateRowsAndColumns<p, q, 6>(m, c, s, cc, ss, cs);
  PENDULA_CODE_TARGET::detail::RotateRowsAndColumns<p + 3, q + 3, 6>(m, c, s, cc, ss, cs);
}

// The packed inertia's congruence by the shear x_p <- x_p + t·x_q, for a t of any lane type.
template <int p, int q, typename T, typename C>
inline void Shear(T (&m)[21], const C& t) {
  constexpr int ipp = InertiaEntry(p, p), ipq = InertiaEntry(p, q);
  const T pqBefore = m[ipq];
  PENDULA_CODE_TARGET::detail::StaticFor<6>([&](auto k) {
    if constexpr (k != p) m[InertiaEntry(p, k)] = m[InertiaEntry(p, k)] + t * m[InertiaEntry(q, k)];
  });
  m[ipp] = (m[ipp] + t * pqBefore) + t * m[ipq];
}

}  // namespace detail

// out = Xf·f: a force in the joint's frame moved to its parent's frame, stage by stage from the
// joint out: Rz(q); n += t x f; Rx(alpha); Rz(gamma).
template <typename T>
inline void ForceToParent(SpatialVectorOf<T>& out, const SpatialVectorOf<T>& f,
                          const JointTransformOf<T>& X) {
  SpatialVectorOf<T> x = f;
  if (X.turns) {
    detail::Rotate<0, 1>(x, X.c, X.s);
    detail::Rotate<3, 4>(x, X.c, X.s);
  }
  // t x f = (ty f2 - tz f1, tz f0 - tx f2, tx f1 - ty f0)
  x[3] = x[3] + (X.ty * x[2] - X.tz * x[1]);
  x[4] = x[4] + (X.tz * x[0] - X.tx * x[2]);
  x[5] = x[5] + (X.tx * x[1] - X.ty * x[0]);
  if (X.twisted) {
    detail::Rotate<1, 2>(x, X.cosAlpha, X.sinAlpha);
    detail::Rotate<4, 5>(x, X.cosAlpha, X.sinAlpha);
  }
  if (X.turned) {
    detail::Rotate<0, 1>(x, X.cosGamma, X.sinGamma);
    detail::Rotate<3, 4>(x, X.cosGamma, X.sinGamma);
  }
  out = x;
}

// out = Xfᵀ·v: a motion in the parent's frame expressed in the joint's, the stages of
// ForceToParent transposed in reverse order.
template <typename T>
inline void MotionToChild(SpatialVectorOf<T>& out, const SpatialVectorOf<T>& v,
                          const JointTransformOf<T>& X) {
  SpatialVectorOf<T> x = v;
  if (X.turned) {
    detail::Rotate<0, 1>(x, X.cosGamma, -X.sinGamma);
    detail::Rotate<3, 4>(x, X.cosGamma, -X.sinGamma);
  }
  if (X.twisted) {
    detail::Rotate<1, 2>(x, X.cosAlpha, -X.sinAlpha);
    detail::Rotate<4, 5>(x, X.cosAlpha, -X.sinAlpha);
  }
  // v -= t x ω
  x[0] = x[0] - (X.ty * x[5] - X.tz * x[4]);
  x[1] = x[1] - (X.tz * x[3] - X.tx * x[5]);
  x[2] = x[2] - (X.tx * x[4] - X.ty * x[3]);
  if (X.turns) {
    detail::Rotate<0, 1>(x, X.c, -X.s);
    detail::Rotate<3, 4>(x, X.c, -X.s);
  }
  out = x;
}

// out = Eᵀ·x for a free 3-vector (gravity): the rotations alone, in reverse order.
template <typename T>
inline void RotateToChild(T (&out)[3], const T (&x)[3], const JointTransformOf<T>& X) {
  T v[3] = {x[0], x[1], x[2]};
  if (X.turned) detail::Rotate<0, 1>(v, X.cosGamma, -X.sinGamma);
  if (X.twisted) detail::Rotate<1, 2>(v, X.cosAlpha, -X.sinAlpha);
  if (X.turns) detail::Rotate<0, 1>(v, X.c, -X.s);
  for (int i = 0; i < 3; ++i) out[i] = v[i];
}

// out = E·x, the joint frame's vector x in its parent's axes: the rotations alone.
template <typename T>
inline void RotateToParent(T (&out)[3], const T (&x)[3], const JointTransformOf<T>& X) {
  T v[3] = {x[0], x[1], x[2]};
  if (X.turns) detail::Rotate<0, 1>(v, X.c, X.s);
  if (X.twisted) detail::Rotate<1, 2>(v, X.cosAlpha, X.sinAlpha);
  if (X.turned) detail::Rotate<0, 1>(v, X.cosGamma, X.sinGamma);
  for (int i = 0; i < 3; ++i) out[i] = v[i];
}

// The joint frame's origin in its parent's frame: Rz(gamma)·Rx(alpha)·t.
template <typename T>
inline void OriginInParent(T (&out)[3], const JointTransformOf<T>& X) {
  T v[3] = {LaneSplat<T>(X.tx), LaneSplat<T>(X.ty), X.tz};
  if (X.twisted) detail::Rotate<1, 2>(v, X.cosAlpha, X.sinAlpha);
  if (X.turned) detail::Rotate<0, 1>(v, X.cosGamma, X.sinGamma);
  for (int i = 0; i < 3; ++i) out[i] = v[i];
}

// P <- Xf·P·Xfᵀ, the congruence of a packed inertia by the stages of ForceToParent, in place:
// always inlined into the inward pass, where a copy in or out is a block move of every lane.
template <typename T>
[[gnu::always_inline]] inline void InertiaToParentInPlace(ArticulatedInertiaOf<T>& inertia,
                                                          const JointTransformOf<T>& X) {
  T(&P)[21] = inertia.m;
  if (X.turns) detail::RotateBothHalves<0, 1>(P, X.c, X.s);
  // n += t x f: n0 += ty·f2 - tz·f1, n1 += tz·f0 - tx·f2, n2 += tx·f1 - ty·f0; the shears leave
  // the linear part alone, so they compose in any order.
  if (X.ty != 0.0) {
    detail::Shear<3, 2>(P, X.ty);
    detail::Shear<5, 0>(P, -X.ty);
  }
  detail::Shear<3, 1>(P, -X.tz);
  detail::Shear<4, 0>(P, X.tz);
  detail::Shear<4, 2>(P, -X.tx);
  detail::Shear<5, 1>(P, X.tx);
  if (X.twisted) detail::RotateBothHalves<1, 2>(P, X.cosAlpha, X.sinAlpha);
  if (X.turned) detail::RotateBothHalves<0, 1>(P, X.cosGamma, X.sinGamma);
}

// out = Xf·M·Xfᵀ.
template <typename T>
inline void InertiaToParent(ArticulatedInertiaOf<T>& out, const ArticulatedInertiaOf<T>& M,
                            const JointTransformOf<T>& X) {
  out = M;
  InertiaToParentInPlace(out, X);
}

// The index of S in a 6-vector: 5 for a revolute joint, 2 for a prismatic one.
inline int AxisIndex(bool turns) {
  return turns ? 5 : 2;
}

// out = M - U·Uᵀ/D, U = M·S and D = Sᵀ·M·S: the inertia that the subtree shows its parent with
// its joint free.
template <typename T>
inline void ProjectOutAxis(ArticulatedInertiaOf<T>& out, const ArticulatedInertiaOf<T>& M, int axis,
                           const T& inverseD) {
  T U[6], w[6];
  for (int i = 0; i < 6; ++i) {
    U[i] = M[InertiaEntry(i, axis)];
    w[i] = U[i] * inverseD;
  }
  for (int i = 0; i < 6; ++i) {
    for (int j = i; j < 6; ++j) out[InertiaEntry(i, j)] = M[InertiaEntry(i, j)] - U[i] * w[j];
  }
}

// (v x* h)·S: the joint's component of the force cross product v x* h = (ω × h_lin,
// ω × h_ang + v_lin × h_lin).
template <typename T>
inline T AxisCrossForce(const SpatialVectorOf<T>& v, const SpatialVectorOf<T>& h, bool turns) {
  if (!turns) return v[3] * h[1] - v[4] * h[0];
  return (v[3] * h[4] - v[4] * h[3]) + (v[0] * h[1] - v[1] * h[0]);
}

// out = M·v for a packed inertia (of lanes, or one for every lane).
template <typename T, typename E>
inline void Apply(SpatialVectorOf<T>& out, const ArticulatedInertiaOf<E>& M,
                  const SpatialVectorOf<T>& v) {
  for (int i = 0; i < 6; ++i) {
    T sum = M[InertiaEntry(i, 0)] * v[0];
    for (int j = 1; j < 6; ++j) sum = sum + M[InertiaEntry(i, j)] * v[j];
    out[i] = sum;
  }
}

}  // namespace joints
}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
