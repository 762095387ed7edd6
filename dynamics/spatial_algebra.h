// Spatial algebra: the layouts of SpatialVector, ArticulatedInertia and LinkTransform
// and the fifteen kernels that transform, multiply, project and sum them, with in-plane
// variants of those an evaluation of an in-plane chain needs (at the end).
//
// Every joint is revolute about the z axis of its own link frame, so the motion subspace is
// S = e5 (component 5 of a SpatialVector): a projection on the joint axis reads component 5 and
// adding a joint rate or torque adds to component 5. The kernels are written for exactly that
// joint and exploit the structural zeros of the rigid-body inertia.
//
// Conventions of every kernel: the first argument receives the result and is distinct from all
// inputs; no kernel allocates, checks its inputs or keeps state. The kernels may sum in any
// order; the formulas in the comments fix the results.
//
// The link transform, with E = Rx(alpha)·Rz(theta) (child coordinates to parent coordinates),
// delta = (a, 0, -d) and r = Rx(alpha)·delta (the child origin in parent coordinates):
//   force, child to parent:   Xf  = [[E, 0], [[r]x E, E]]  (three stages: joint rotation, shift,
//                                                            twist)
//   motion, parent to child:  Xf^T                         (the inverse stages, in reverse order)
#pragma once

#include <type_traits>
#include <utility>

#include "dynamics/contribution_list.h"
#include "dynamics/lanes.h"

namespace pendula {

// Six doubles, linear part first: (vx, vy, vz, wx, wy, wz) for a motion, (fx, fy, fz, nx, ny, nz)
// for a force. Component 5 is the rotation (or moment) about the joint axis.
struct SpatialVector {
  double v[6];

  double& operator[](int i) { return v[i]; }
  const double& operator[](int i) const { return v[i]; }
};

// A symmetric 6 by 6 matrix over the SpatialVector index order, stored as its 21 upper-triangle
// entries row by row: (0,0) (0,1) ... (0,5) (1,1) ... (1,5) (2,2) ... (5,5).
// Column 5, U = M·S, is entries 5, 10, 14, 17, 19, 20; the joint-axis inertia D = S^T·M·S is 20.
struct ArticulatedInertia {
  double m[21];

  double& operator[](int i) { return m[i]; }
  const double& operator[](int i) const { return m[i]; }
};

// Where a link's frame lies in its parent's frame: the constant offsets a and d, the constant
// twist alpha about x (by its sine and cosine) and the joint angle theta (by its sine and cosine).
struct LinkTransform {
  double a;
  double d;
  double sinAlpha;
  double cosAlpha;
  double sinTheta;
  double cosTheta;
};

// Index of entry (row, column) of an ArticulatedInertia; either order of the two indices.
constexpr int InertiaEntry(int row, int column) {
  return row <= column ? row * 6 - row * (row - 1) / 2 + (column - row)
                       : column * 6 - column * (column - 1) / 2 + (row - column);
}

// Column 5 of an ArticulatedInertia, U[i] = M(i, 5).
constexpr int UEntry[6] = {5, 10, 14, 17, 19, 20};
// The joint-axis inertia D = M(5, 5).
constexpr int DEntry = 20;

namespace detail {

template <typename F, int... I>
inline void StaticForImpl(F& f, std::integer_sequence<int, I...>) {
  (f(std::integral_constant<int, I>{}), ...);
}

// Calls f(std::integral_constant<int, i>{}) for i = 0 .. n - 1, unrolled at compile time, so
// that every packed-matrix index inside f is a constant.
template <int n, typename F>
inline void StaticFor(F&& f) {
  StaticForImpl(f, std::make_integer_sequence<int, n>{});
}

}  // namespace detail

// clang-format off

// 1. out = rigid-body inertia · v, the inertia [[m·1, m·[rc]x^T], [m·[rc]x, I]] with I about the
//    link origin (no parallel-axis term):
//    lin(out) = m·(lin(v) + ang(v) x rc),  ang(out) = I·ang(v) + m·(rc x lin(v)).
inline void ApplyRigidInertia(SpatialVector& out, double m, const double (&I)[6],
                              const double (&rc)[3], const SpatialVector& v) {
  const double mx = m * rc[0], my = m * rc[1], mz = m * rc[2];
  out[0] = m * v[0] + mz * v[4] - my * v[5];
  out[1] = m * v[1] - mz * v[3] + mx * v[5];
  out[2] = m * v[2] + my * v[3] - mx * v[4];
  out[3] = I[0] * v[3] + I[1] * v[4] + I[2] * v[5] + m * (rc[1] * v[2] - rc[2] * v[1]);
  out[4] = I[1] * v[3] + I[3] * v[4] + I[4] * v[5] + m * (rc[2] * v[0] - rc[0] * v[2]);
  out[5] = I[2] * v[3] + I[4] * v[4] + I[5] * v[5] + m * (rc[0] * v[1] - rc[1] * v[0]);
}

// 2. out = rigid-body inertia (21 entries, structural zeros written) + the sum of the list.
inline void BuildArticulatedInertia(ArticulatedInertia& out,
                                    const ContributionList<ArticulatedInertia>& children,
                                    double m, const double (&I)[6], const double (&rc)[3]) {
  const double mx = m * rc[0], my = m * rc[1], mz = m * rc[2];
  double r[21] = {
      m,   0.0, 0.0, 0.0,  mz,   -my,
           m,   0.0, -mz,  0.0,  mx,
                m,   my,   -mx,  0.0,
                     I[0], I[1], I[2],
                           I[3], I[4],
                                 I[5]};
  for (const ArticulatedInertia* child : children) {
    detail::StaticFor<21>([&](auto i) { r[i] += (*child)[i]; });
  }
  detail::StaticFor<21>([&](auto i) { out[i] = r[i]; });
}

// 3. out = base + the sum of the list.
inline void AddChildVectors(SpatialVector& out, const SpatialVector& base,
                            const ContributionList<SpatialVector>& children) {
  double r[6] = {base[0], base[1], base[2], base[3], base[4], base[5]};
  for (const SpatialVector* child : children) {
    detail::StaticFor<6>([&](auto i) { r[i] += (*child)[i]; });
  }
  detail::StaticFor<6>([&](auto i) { out[i] = r[i]; });
}

// 3. out = the sum of the list (six zeros when it is empty).
inline void SumChildVectors(SpatialVector& out, const ContributionList<SpatialVector>& children) {
  double r[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  for (const SpatialVector* child : children) {
    detail::StaticFor<6>([&](auto i) { r[i] += (*child)[i]; });
  }
  detail::StaticFor<6>([&](auto i) { out[i] = r[i]; });
}

// 4. The weight of a link as a force about its origin: F = m·g, out = (F, rc x F).
//    g is the gravitational acceleration itself (pointing down), in link coordinates.
inline void GravityForce(SpatialVector& out, const double (&g)[3], const double (&rc)[3],
                         double m) {
  const double F0 = m * g[0], F1 = m * g[1], F2 = m * g[2];
  out[0] = F0;
  out[1] = F1;
  out[2] = F2;
  out[3] = rc[1] * F2 - rc[2] * F1;
  out[4] = rc[2] * F0 - rc[0] * F2;
  out[5] = rc[0] * F1 - rc[1] * F0;
}

// 5. out = S^T x = x[5].
inline void JointComponent(double& out, const SpatialVector& x) { out = x[5]; }

// 5. out = x + S·s.
inline void AddJointRate(SpatialVector& out, const SpatialVector& x, const double& s) {
  out[0] = x[0];
  out[1] = x[1];
  out[2] = x[2];
  out[3] = x[3];
  out[4] = x[4];
  out[5] = x[5] + s;
}

// 5. out = x + S·(s1 + s2), summed as (x[5] + s1) + s2.
inline void AddJointTorques(SpatialVector& out, const SpatialVector& x, const double& s1,
                            const double& s2) {
  out[0] = x[0];
  out[1] = x[1];
  out[2] = x[2];
  out[3] = x[3];
  out[4] = x[4];
  out[5] = (x[5] + s1) + s2;
}

// 6. out = Xf·f, a force in the child frame moved to the parent frame. Stages, on both halves:
//    joint rotation h' = Rz(theta)·h; shift ang'' = ang' + delta x lin'; twist h''' = Rx(alpha)·h''.
inline void TransformForceToParent(SpatialVector& out, const SpatialVector& f,
                                   const LinkTransform& X) {
  const double c = X.cosTheta, s = X.sinTheta;
  // joint rotation
  const double l0 = c * f[0] - s * f[1], l1 = s * f[0] + c * f[1], l2 = f[2];
  double n0 = c * f[3] - s * f[4], n1 = s * f[3] + c * f[4], n2 = f[5];
  // shift by delta = (a, 0, -d), moment only; the terms in d vanish for d = 0 (x - 0·y = x)
  if (X.d != 0.0) {
    n0 = n0 + X.d * l1;
    n1 = n1 - X.d * l0;
  }
  n1 = n1 - X.a * l2;
  n2 = n2 + X.a * l1;
  out[0] = l0;
  out[3] = n0;
  // twist; exactly the identity when sinAlpha = 0 and cosAlpha = 1 (1·x - 0·y = x)
  if (X.sinAlpha == 0.0 && X.cosAlpha == 1.0) {
    out[1] = l1;
    out[2] = l2;
    out[4] = n1;
    out[5] = n2;
    return;
  }
  const double ca = X.cosAlpha, sa = X.sinAlpha;
  out[1] = ca * l1 - sa * l2;
  out[2] = sa * l1 + ca * l2;
  out[4] = ca * n1 - sa * n2;
  out[5] = sa * n1 + ca * n2;
}

// 7. out = Xf^T·v, a motion in the parent frame expressed in the child frame. Stages, on both
//    halves: undo the twist; shift lin'' = lin' - delta x ang'; undo the joint rotation.
inline void TransformMotionToChild(SpatialVector& out, const SpatialVector& v,
                                   const LinkTransform& X) {
  // undo the twist; exactly the identity when sinAlpha = 0 and cosAlpha = 1
  double l0 = v[0], l1 = v[1], l2 = v[2];
  double w0 = v[3], w1 = v[4], w2 = v[5];
  if (X.sinAlpha != 0.0 || X.cosAlpha != 1.0) {
    const double ca = X.cosAlpha, sa = X.sinAlpha;
    l1 = ca * v[1] + sa * v[2];
    l2 = -sa * v[1] + ca * v[2];
    w1 = ca * v[4] + sa * v[5];
    w2 = -sa * v[4] + ca * v[5];
  }
  // shift by delta = (a, 0, -d), velocity only; the terms in d vanish for d = 0
  if (X.d != 0.0) {
    l0 = l0 - X.d * w1;
    l1 = l1 + X.d * w0;
  }
  l1 = l1 + X.a * w2;
  l2 = l2 - X.a * w1;
  // undo the joint rotation
  const double c = X.cosTheta, s = X.sinTheta;
  out[0] = c * l0 + s * l1;
  out[1] = -s * l0 + c * l1;
  out[2] = l2;
  out[3] = c * w0 + s * w1;
  out[4] = -s * w0 + c * w1;
  out[5] = w2;
}

// 8. out = E^T·x for a free 3-vector (gravity): undo the twist, then the joint rotation.
inline void RotateToChild(double (&out)[3], const double (&x)[3], double sinAlpha,
                          double cosAlpha, double sinTheta, double cosTheta) {
  // the twist is exactly the identity when sinAlpha = 0 and cosAlpha = 1
  const bool twisted = sinAlpha != 0.0 || cosAlpha != 1.0;
  const double y0 = x[0];
  const double y1 = twisted ? cosAlpha * x[1] + sinAlpha * x[2] : x[1];
  const double y2 = twisted ? -sinAlpha * x[1] + cosAlpha * x[2] : x[2];
  out[0] = cosTheta * y0 + sinTheta * y1;
  out[1] = -sinTheta * y0 + cosTheta * y1;
  out[2] = y2;
}

// clang-format on

namespace detail {

// Congruence of a packed symmetric matrix by a plane rotation on indices (p, q):
// x_p <- c·x_p - s·x_q, x_q <- s·x_p + c·x_q, applied to the rows and to the columns.
// Only indices below n may hold non-zero entries (the others are left alone).
// cc = c·c, ss = s·s, cs = c·s are shared by the calls with the same angle.
template <int p, int q, int n>
inline void RotateRowsAndColumns(double (&m)[21], double c, double s, double cc, double ss,
                                 double cs) {
  StaticFor<n>([&](auto k) {
    if constexpr (k != p && k != q) {
      constexpr int ip = InertiaEntry(p, k), iq = InertiaEntry(q, k);
      const double xp = m[ip], xq = m[iq];
      m[ip] = c * xp - s * xq;
      m[iq] = s * xp + c * xq;
    }
  });
  // The 2 by 2 block [pp pq; pq qq] -> G [pp pq; pq qq] G^T.
  constexpr int ipp = InertiaEntry(p, p), ipq = InertiaEntry(p, q), iqq = InertiaEntry(q, q);
  const double pp = m[ipp], pq = m[ipq], qq = m[iqq];
  const double cross = (cs + cs) * pq;
  m[ipp] = (cc * pp - cross) + ss * qq;
  m[iqq] = (ss * pp + cross) + cc * qq;
  m[ipq] = cs * (pp - qq) + (cc - ss) * pq;
}

// Congruence of a packed symmetric matrix by the shear x_p <- x_p + t·x_q (x_q unchanged),
// applied to the rows and to the columns. Only indices below n may hold non-zero entries.
template <int p, int q, int n>
inline void ShearRowsAndColumns(double (&m)[21], double t) {
  constexpr int ipp = InertiaEntry(p, p), ipq = InertiaEntry(p, q);
  const double pqBefore = m[ipq];
  StaticFor<n>([&](auto k) {
    if constexpr (k != p) m[InertiaEntry(p, k)] += t * m[InertiaEntry(q, k)];
  });
  // M(p,p) + t·M(q,p) (row step) + t·(M(p,q) + t·M(q,q)) (column step, after the row step)
  m[ipp] += t * pqBefore + t * m[ipq];
}

// Row i of M times v: (M·v)[i].
template <int i>
inline double RowTimes(const ArticulatedInertia& M, const SpatialVector& v) {
  return M[InertiaEntry(i, 0)] * v[0] + M[InertiaEntry(i, 1)] * v[1] +
         M[InertiaEntry(i, 2)] * v[2] + M[InertiaEntry(i, 3)] * v[3] +
         M[InertiaEntry(i, 4)] * v[4] + M[InertiaEntry(i, 5)] * v[5];
}

}  // namespace detail

// 9. The child's articulated inertia with its joint projected out, moved into the parent frame:
//    P = M - U·U^T / D (row and column 5 of P vanish), out = Xf·P·Xf^T,
//    the congruence by the three stages of TransformForceToParent. All 21 entries are written.
[[gnu::always_inline]] inline void TransferArticulatedInertia(ArticulatedInertia& out,
                                                              const ArticulatedInertia& M,
                                                              const LinkTransform& X) {
  using detail::RotateRowsAndColumns;
  using detail::ShearRowsAndColumns;
  using detail::StaticFor;
  const double inverseD = 1.0 / M[DEntry];
  // w[j] = U[j] / D, formed once for the whole matrix.
  double w[5];
  StaticFor<5>([&](auto j) { w[j] = M[UEntry[j]] * inverseD; });
  double P[21];
  // P(i,j) = M(i,j) - U[i]·(U[j] / D), i <= j < 5; row and column 5 are zero.
  StaticFor<5>([&](auto i) {
    const double Ui = M[UEntry[i]];
    StaticFor<5>([&](auto j) {
      if constexpr (i <= j) P[InertiaEntry(i, j)] = M[InertiaEntry(i, j)] - Ui * w[j];
    });
  });
  StaticFor<6>([&](auto i) { P[InertiaEntry(i, 5)] = 0.0; });
  // Joint rotation Rz(theta) on both halves; index 5 is still zero.
  {
    const double c = X.cosTheta, s = X.sinTheta, cc = c * c, ss = s * s, cs = c * s;
    RotateRowsAndColumns<0, 1, 5>(P, c, s, cc, ss, cs);
    RotateRowsAndColumns<3, 4, 5>(P, c, s, cc, ss, cs);
  }
  // Shift ang += delta x lin, delta = (a, 0, -d): n0 += d·f1, n1 += -d·f0 - a·f2, n2 += a·f1.
  // A shear by exactly 0 is the identity (x + 0·y = x) and is skipped: same numbers, fewer
  // operations (every link of the model has d = 0).
  if (X.d != 0.0) {
    ShearRowsAndColumns<3, 1, 5>(P, X.d);
    ShearRowsAndColumns<4, 0, 5>(P, -X.d);
  }
  ShearRowsAndColumns<4, 2, 5>(P, -X.a);
  ShearRowsAndColumns<5, 1, 6>(P, X.a);
  // Twist Rx(alpha) on both halves; skipped when it is exactly the identity (sinAlpha = 0,
  // cosAlpha = 1: 1·x - 0·y = x), which gives the same numbers.
  if (X.sinAlpha != 0.0 || X.cosAlpha != 1.0) {
    const double c = X.cosAlpha, s = X.sinAlpha, cc = c * c, ss = s * s, cs = c * s;
    RotateRowsAndColumns<1, 2, 6>(P, c, s, cc, ss, cs);
    RotateRowsAndColumns<4, 5, 6>(P, c, s, cc, ss, cs);
  }
  StaticFor<21>([&](auto i) { out[i] = P[i]; });
}

// 10. The child's articulated bias moved into the parent frame:
//     lambda = (tau - pA[5]) / D, y = pA + U·lambda with y[5] = tau, out = Xf·y.
//     inverseD is 1/M[DEntry], formed by the caller that already needed it.
inline void TransferArticulatedBias(SpatialVector& out, const SpatialVector& pA,
                                    const ArticulatedInertia& M, double tau, const LinkTransform& X,
                                    double inverseD) {
  const double lambda = (tau - pA[5]) * inverseD;
  SpatialVector y{};
  detail::StaticFor<5>([&](auto i) { y[i] = pA[i] + M[UEntry[i]] * lambda; });
  y[5] = tau;
  TransformForceToParent(out, y, X);
}

// 10. The same, forming 1/D itself.
inline void TransferArticulatedBias(SpatialVector& out, const SpatialVector& pA,
                                    const ArticulatedInertia& M, double tau,
                                    const LinkTransform& X) {
  TransferArticulatedBias(out, pA, M, tau, X, 1.0 / M[DEntry]);
}

// 11. The joint rate: out = (p - pA[5] - U^T·x) / D, x being the parent's velocity in this frame
//     (evaluated as a product with 1/D, within rounding of the quotient). inverseD is 1/M[DEntry],
//     formed by the caller that already needed it for the transfers.
inline void SolveJointRate(double& out, const double& p, const SpatialVector& pA,
                           const SpatialVector& x, const ArticulatedInertia& M, double inverseD) {
  const double Ux = (M[UEntry[0]] * x[0] + M[UEntry[1]] * x[1]) +
                    (M[UEntry[2]] * x[2] + M[UEntry[3]] * x[3]) +
                    (M[UEntry[4]] * x[4] + M[UEntry[5]] * x[5]);
  out = ((p - pA[5]) - Ux) * inverseD;
}

// 11. The same, forming 1/D itself.
inline void SolveJointRate(double& out, const double& p, const SpatialVector& pA,
                           const SpatialVector& x, const ArticulatedInertia& M) {
  SolveJointRate(out, p, pA, x, M, 1.0 / M[DEntry]);
}

// 12. The rate of change of the joint's momentum: g = M·v + beta (rows 0, 1, 3, 4 only),
//     out = f[5] - (v x* g)[5] = f[5] - (v[3]·g[4] - v[4]·g[3] + v[0]·g[1] - v[1]·g[0]).
inline void JointMomentumRate(double& out, const SpatialVector& f, const ArticulatedInertia& M,
                              const SpatialVector& beta, const SpatialVector& v) {
  using detail::RowTimes;
  const double g0 = RowTimes<0>(M, v) + beta[0], g1 = RowTimes<1>(M, v) + beta[1];
  const double g3 = RowTimes<3>(M, v) + beta[3], g4 = RowTimes<4>(M, v) + beta[4];
  out = f[5] - (v[3] * g4 - v[4] * g3 + v[0] * g1 - v[1] * g0);
}

// The in-plane kernels. For a model whose links are untwisted and unshifted (d = 0, no twist),
// whose centres of mass lie in their link's xy plane (rc z = 0), whose inertias have
// Ixz = Iyz = 0, and whose gravity and base motion have no component out of the base xy plane,
// the in-plane indices {0, 1, 5} (x, y, rotation about z) and the out-of-plane indices {2, 3, 4}
// never couple: every entry of an articulated inertia between the two sets is an exact zero,
// components 2, 3, 4 of every velocity, bias and force are exact zeros, and the out-of-plane
// block of the inertias never reaches a joint rate or a momentum rate. These variants work on
// the in-plane part alone (PlaneVector, PlaneInertia) with the operations, in the order, by
// which the general kernels form those entries, so their results are the general kernels' own,
// bit for bit. Terms that are products of those exact zeros are left out: adding them changes
// nothing but, at most, the sign of a result that is exactly zero.
//
// They are templates on the number type T: double, or a pack of doubles (lanes.h) that carries
// the same quantity of several chains, each lane computed exactly as a double would be. The
// transform X is untwisted and unshifted; only X.a (a double), X.sinTheta and X.cosTheta (T)
// are read.

// Components 0, 1 and 5 of a SpatialVector of the in-plane shape.
template <typename T>
struct PlaneVectorOf {
  T c0, c1, c5;
};
using PlaneVector = PlaneVectorOf<double>;

// Entries (0,0), (0,1), (0,5), (1,1), (1,5), (5,5) of an ArticulatedInertia of the in-plane
// shape: packed entries 0, 1, 5, 6, 10 and 20. U is (m05, m15, m55) and D is m55.
template <typename T>
struct PlaneInertiaOf {
  T m00, m01, m05, m11, m15, m55;
};
using PlaneInertia = PlaneInertiaOf<double>;

// The in-plane part of a SpatialVector.
inline PlaneVector InPlanePart(const SpatialVector& x) {
  return PlaneVector{x[0], x[1], x[5]};
}

// The in-plane part of an ArticulatedInertia.
inline PlaneInertia InPlanePart(const ArticulatedInertia& M) {
  return PlaneInertia{M[0], M[1], M[5], M[6], M[10], M[20]};
}

// Writes components 0, 1, 5 of out; the others keep what they hold.
inline void StoreInPlane(SpatialVector& out, const PlaneVector& x) {
  out[0] = x.c0;
  out[1] = x.c1;
  out[5] = x.c5;
}

// Writes entries 0, 1, 5, 6, 10, 20 of out; the others keep what they hold.
inline void StoreInPlane(ArticulatedInertia& out, const PlaneInertia& M) {
  out[0] = M.m00;
  out[1] = M.m01;
  out[5] = M.m05;
  out[6] = M.m11;
  out[10] = M.m15;
  out[20] = M.m55;
}

// clang-format off

// 2. The in-plane entries of the rigid-body inertia: (m, 0, -m·rcy, m, m·rcx, Izz).
template <typename T>
inline void RigidInertiaInPlane(PlaneInertiaOf<T>& out, double m, const double (&I)[6],
                                const double (&rc)[3]) {
  const double mx = m * rc[0], my = m * rc[1];
  out = PlaneInertiaOf<T>{LaneSplat<T>(m), LaneSplat<T>(0.0), LaneSplat<T>(-my),
                          LaneSplat<T>(m), LaneSplat<T>(mx), LaneSplat<T>(I[5])};
}

// 2. The rigid-body inertia plus one child's contribution, entry by entry.
template <typename T>
inline void BuildArticulatedInertiaInPlane(PlaneInertiaOf<T>& out, double m, const double (&I)[6],
                                           const double (&rc)[3], const PlaneInertiaOf<T>& child) {
  const double mx = m * rc[0], my = m * rc[1];
  out = PlaneInertiaOf<T>{m + child.m00, 0.0 + child.m01, -my + child.m05,
                          m + child.m11, mx + child.m15, I[5] + child.m55};
}

// 3. out = base + one child's contribution.
template <typename T>
inline void AddChildVectorInPlane(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& base,
                                  const PlaneVectorOf<T>& child) {
  out = PlaneVectorOf<T>{base.c0 + child.c0, base.c1 + child.c1, base.c5 + child.c5};
}

// 3. out = the sum of one child's contribution, started from zeros as the general sum is
//    (0 + x turns a negative zero into a positive one).
template <typename T>
inline void SumChildVectorInPlane(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& child) {
  out = PlaneVectorOf<T>{0.0 + child.c0, 0.0 + child.c1, 0.0 + child.c5};
}

// 4. The weight: F = m·g, out = (F0, F1, rcx·F1 - rcy·F0).
template <typename T>
inline void GravityForceInPlane(PlaneVectorOf<T>& out, const T (&g)[3], const double (&rc)[3],
                                double m) {
  const T F0 = m * g[0], F1 = m * g[1];
  out = PlaneVectorOf<T>{F0, F1, rc[0] * F1 - rc[1] * F0};
}

// 5. x + S·s.
template <typename T>
inline void AddJointRateInPlane(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& x, const T& s) {
  out = PlaneVectorOf<T>{x.c0, x.c1, x.c5 + s};
}

// 5. x + S·(s1 + s2), summed as (x5 + s1) + s2.
template <typename T, typename S1>
inline void AddJointTorquesInPlane(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& x, const S1& s1,
                                   const T& s2) {
  out = PlaneVectorOf<T>{x.c0, x.c1, (x.c5 + s1) + s2};
}

// 6. Xf·f: l = Rz(theta)·(f0, f1), out = (l0, l1, f5 + a·l1).
template <typename T, typename Transform>
inline void TransformForceToParentInPlane(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& f,
                                          const Transform& X) {
  const T c = X.cosTheta, s = X.sinTheta;
  const T l0 = c * f.c0 - s * f.c1, l1 = s * f.c0 + c * f.c1;
  out = PlaneVectorOf<T>{l0, l1, f.c5 + X.a * l1};
}

// 7. Xf^T·v: l1 = v1 + a·v5, out = (Rz(theta)^T·(v0, l1), v5).
template <typename T, typename Transform>
inline void TransformMotionToChildInPlane(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& v,
                                          const Transform& X) {
  const T l0 = v.c0, l1 = v.c1 + X.a * v.c5;
  const T c = X.cosTheta, s = X.sinTheta;
  out = PlaneVectorOf<T>{c * l0 + s * l1, -s * l0 + c * l1, v.c5};
}

// 8. E^T·x for gravity, no twist: out = (c·x0 + s·x1, -s·x0 + c·x1, x2).
template <typename T>
inline void RotateToChildInPlane(T (&out)[3], const T (&x)[3], const T& sinTheta,
                                 const T& cosTheta) {
  out[0] = cosTheta * x[0] + sinTheta * x[1];
  out[1] = -sinTheta * x[0] + cosTheta * x[1];
  out[2] = x[2];
}

// clang-format on

// 9. Xf·(M - U·U^T/D)·Xf^T. With w = (U0, U1)/D:
//    P00 = M00 - U0·w0, P01 = M01 - U0·w1, P11 = M11 - U1·w1, row and column 5 zero;
//    the joint rotation turns the 2 by 2 block [P00 P01; P01 P11] by theta;
//    the shear n2 += a·f1 then gives out05 = a·P01, out15 = a·P11, out55 = a·out15.
//    inverseD is 1/D, formed by the caller.
template <typename T, typename Transform>
inline void TransferArticulatedInertiaInPlane(PlaneInertiaOf<T>& out, const PlaneInertiaOf<T>& M,
                                              const Transform& X, const T& inverseD) {
  const T U0 = M.m05, U1 = M.m15;
  const T w0 = U0 * inverseD, w1 = U1 * inverseD;
  const T P00 = M.m00 - U0 * w0, P01 = M.m01 - U0 * w1, P11 = M.m11 - U1 * w1;
  const T c = X.cosTheta, s = X.sinTheta, cc = c * c, ss = s * s, cs = c * s;
  const T cross = (cs + cs) * P01;
  const T R00 = (cc * P00 - cross) + ss * P11;
  const T R11 = (ss * P00 + cross) + cc * P11;
  const T R01 = cs * (P00 - P11) + (cc - ss) * P01;
  const T R15 = X.a * R11;
  out = PlaneInertiaOf<T>{R00, R01, X.a * R01, R11, R15, X.a * R15};
}

// 10. The child's articulated bias moved into the parent frame:
//     lambda = (tau - pA5) / D, y = (pA0 + U0·lambda, pA1 + U1·lambda, tau), out = Xf·y.
template <typename T, typename Transform>
inline void TransferArticulatedBiasInPlane(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& pA,
                                           const PlaneInertiaOf<T>& M, const T& tau,
                                           const Transform& X, const T& inverseD) {
  const T lambda = (tau - pA.c5) * inverseD;
  const PlaneVectorOf<T> y{pA.c0 + M.m05 * lambda, pA.c1 + M.m15 * lambda, tau};
  TransformForceToParentInPlane(out, y, X);
}

// 11. The joint rate: out = (p - pA5 - (U0·x0 + U1·x1 + D·x5))/D.
template <typename T>
inline void SolveJointRateInPlane(T& out, const T& p, const PlaneVectorOf<T>& pA,
                                  const PlaneVectorOf<T>& x, const PlaneInertiaOf<T>& M,
                                  const T& inverseD) {
  const T Ux = (M.m05 * x.c0 + M.m15 * x.c1) + M.m55 * x.c5;
  out = ((p - pA.c5) - Ux) * inverseD;
}

// 12. The momentum rate: g = M·v + beta (rows 0 and 1), out = f5 - (v0·g1 - v1·g0);
//     v3 and v4 are zero.
template <typename T>
inline void JointMomentumRateInPlane(T& out, const PlaneVectorOf<T>& f, const PlaneInertiaOf<T>& M,
                                     const PlaneVectorOf<T>& beta, const PlaneVectorOf<T>& v) {
  const T g0 = ((M.m00 * v.c0 + M.m01 * v.c1) + M.m05 * v.c5) + beta.c0;
  const T g1 = ((M.m01 * v.c0 + M.m11 * v.c1) + M.m15 * v.c5) + beta.c1;
  out = f.c5 - (v.c0 * g1 - v.c1 * g0);
}

}  // namespace pendula
