// The kernels of the 6-D spatial algebra: transform, multiply, project and sum SpatialVectors and
// ArticulatedInertias, for one chain (T = double) or for a pack of chains lane by lane. The
// in-plane kernels of plane_kernels.h overload them for the in-plane quantities.
//
// Every kernel writes its result through its first argument, which is distinct from all inputs;
// none allocates, checks its inputs or keeps state. The kernels exploit the fixed joint axis
// (S = e5) and the structural zeros of the rigid-body inertia. Where a link constant makes an
// operation exactly the identity (a shift by d = 0, a twist of sinAlpha = 0, cosAlpha = 1) it is
// skipped, which gives the same numbers with fewer operations.
#pragma once

#include <utility>

#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"
#include "dynamics/spatial/spatial_types.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
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

inline bool Twisted(double sinAlpha, double cosAlpha) {
  return sinAlpha != 0.0 || cosAlpha != 1.0;
}

}  // namespace detail

// clang-format off

// out = rigid-body inertia · v, the inertia [[m·1, m·[rc]x^T], [m·[rc]x, I]] with I about the link
// origin (no parallel-axis term):
//   lin(out) = m·(lin(v) + ang(v) x rc),  ang(out) = I·ang(v) + m·(rc x lin(v)).
template <typename T>
inline void ApplyRigidInertia(SpatialVectorOf<T>& out, double m, const double (&I)[6],
                              const double (&rc)[3], const SpatialVectorOf<T>& v) {
  const double mx = m * rc[0], my = m * rc[1], mz = m * rc[2];
  out[0] = m * v[0] + mz * v[4] - my * v[5];
  out[1] = m * v[1] - mz * v[3] + mx * v[5];
  out[2] = m * v[2] + my * v[3] - mx * v[4];
  out[3] = I[0] * v[3] + I[1] * v[4] + I[2] * v[5] + m * (rc[1] * v[2] - rc[2] * v[1]);
  out[4] = I[1] * v[3] + I[3] * v[4] + I[4] * v[5] + m * (rc[2] * v[0] - rc[0] * v[2]);
  out[5] = I[2] * v[3] + I[4] * v[4] + I[5] * v[5] + m * (rc[0] * v[1] - rc[1] * v[0]);
}

// out = rigid-body inertia (21 entries, structural zeros written) + each child's contribution,
// entry by entry, in the order given.
template <typename T, typename... Children>
inline void BuildArticulatedInertia(ArticulatedInertiaOf<T>& out, double m, const double (&I)[6],
                                    const double (&rc)[3], const Children&... children) {
  const double mx = m * rc[0], my = m * rc[1], mz = m * rc[2];
  const double rigid[21] = {
      m,   0.0, 0.0, 0.0,  mz,   -my,
           m,   0.0, -mz,  0.0,  mx,
                m,   my,   -mx,  0.0,
                     I[0], I[1], I[2],
                           I[3], I[4],
                                 I[5]};
  detail::StaticFor<21>([&](auto i) {
    T entry = LaneSplat<T>(rigid[i]);
    ((entry = entry + children[i]), ...);
    out[i] = entry;
  });
}

// out = base + each child's contribution, in the order given.
template <typename T, typename... Children>
inline void AddChildVectors(SpatialVectorOf<T>& out, const SpatialVectorOf<T>& base,
                            const Children&... children) {
  detail::StaticFor<6>([&](auto i) {
    T sum = base[i];
    ((sum = sum + children[i]), ...);
    out[i] = sum;
  });
}

// out = the sum of the children's contributions, started from six zeros.
template <typename T, typename... Children>
inline void SumChildVectors(SpatialVectorOf<T>& out, const Children&... children) {
  detail::StaticFor<6>([&](auto i) {
    T sum = LaneSplat<T>(0.0);
    ((sum = sum + children[i]), ...);
    out[i] = sum;
  });
}

// The weight of a link as a force about its origin: F = m·g, out = (F, rc x F). g is the
// gravitational acceleration itself (pointing down), in link coordinates.
template <typename T>
inline void GravityForce(SpatialVectorOf<T>& out, const T (&g)[3], const double (&rc)[3],
                         double m) {
  const T F0 = m * g[0], F1 = m * g[1], F2 = m * g[2];
  out = SpatialVectorOf<T>{{F0, F1, F2, rc[1] * F2 - rc[2] * F1, rc[2] * F0 - rc[0] * F2,
                            rc[0] * F1 - rc[1] * F0}};
}

// out = S^T x = x[5].
template <typename T>
inline void JointComponent(T& out, const SpatialVectorOf<T>& x) { out = x[5]; }

// out = x + S·s.
template <typename T>
inline void AddJointRate(SpatialVectorOf<T>& out, const SpatialVectorOf<T>& x, const T& s) {
  out = SpatialVectorOf<T>{{x[0], x[1], x[2], x[3], x[4], x[5] + s}};
}

// out = x + S·(s1 + s2), summed as (x[5] + s1) + s2.
template <typename T>
inline void AddJointTorques(SpatialVectorOf<T>& out, const SpatialVectorOf<T>& x, const T& s1,
                            const T& s2) {
  out = SpatialVectorOf<T>{{x[0], x[1], x[2], x[3], x[4], (x[5] + s1) + s2}};
}

// out = x - S·s: what a joint hands on to its parent of a sum that holds its own torque s.
template <typename T>
inline void TakeJointTorque(SpatialVectorOf<T>& out, const SpatialVectorOf<T>& x, const T& s) {
  out = SpatialVectorOf<T>{{x[0], x[1], x[2], x[3], x[4], x[5] - s}};
}

// out = Xf·f, a force in the child frame moved to the parent frame. Stages, on both halves:
// joint rotation h' = Rz(theta)·h; shift ang'' = ang' + delta x lin'; twist h''' = Rx(alpha)·h''.
template <typename T>
inline void TransformForceToParent(SpatialVectorOf<T>& out, const SpatialVectorOf<T>& f,
                                   const LinkTransformOf<T>& X) {
  const T c = X.cosTheta, s = X.sinTheta;
  const T l0 = c * f[0] - s * f[1], l1 = s * f[0] + c * f[1], l2 = f[2];
  T n0 = c * f[3] - s * f[4], n1 = s * f[3] + c * f[4], n2 = f[5];
  if (X.d != 0.0) {
    n0 = n0 + X.d * l1;
    n1 = n1 - X.d * l0;
  }
  n1 = n1 - X.a * l2;
  n2 = n2 + X.a * l1;
  if (!detail::Twisted(X.sinAlpha, X.cosAlpha)) {
    out = SpatialVectorOf<T>{{l0, l1, l2, n0, n1, n2}};
    return;
  }
  const double ca = X.cosAlpha, sa = X.sinAlpha;
  out = SpatialVectorOf<T>{{l0, ca * l1 - sa * l2, sa * l1 + ca * l2,
                            n0, ca * n1 - sa * n2, sa * n1 + ca * n2}};
}

// out = Xf^T·v, a motion in the parent frame expressed in the child frame. Stages, on both
// halves: undo the twist; shift lin'' = lin' - delta x ang'; undo the joint rotation.
template <typename T>
inline void TransformMotionToChild(SpatialVectorOf<T>& out, const SpatialVectorOf<T>& v,
                                   const LinkTransformOf<T>& X) {
  T l0 = v[0], l1 = v[1], l2 = v[2];
  T w0 = v[3], w1 = v[4], w2 = v[5];
  if (detail::Twisted(X.sinAlpha, X.cosAlpha)) {
    const double ca = X.cosAlpha, sa = X.sinAlpha;
    l1 = ca * v[1] + sa * v[2];
    l2 = -sa * v[1] + ca * v[2];
    w1 = ca * v[4] + sa * v[5];
    w2 = -sa * v[4] + ca * v[5];
  }
  if (X.d != 0.0) {
    l0 = l0 - X.d * w1;
    l1 = l1 + X.d * w0;
  }
  l1 = l1 + X.a * w2;
  l2 = l2 - X.a * w1;
  const T c = X.cosTheta, s = X.sinTheta;
  out = SpatialVectorOf<T>{{c * l0 + s * l1, -s * l0 + c * l1, l2,
                            c * w0 + s * w1, -s * w0 + c * w1, w2}};
}

// out = E^T·x for a free 3-vector (gravity): undo the twist, then the joint rotation.
template <typename T>
inline void RotateToChild(T (&out)[3], const T (&x)[3], const LinkTransformOf<T>& X) {
  const bool twisted = detail::Twisted(X.sinAlpha, X.cosAlpha);
  const T y0 = x[0];
  const T y1 = twisted ? X.cosAlpha * x[1] + X.sinAlpha * x[2] : x[1];
  const T y2 = twisted ? -X.sinAlpha * x[1] + X.cosAlpha * x[2] : x[2];
  out[0] = X.cosTheta * y0 + X.sinTheta * y1;
  out[1] = -X.sinTheta * y0 + X.cosTheta * y1;
  out[2] = y2;
}

// clang-format on

namespace detail {

// Congruence of a packed symmetric matrix by a plane rotation on indices (p, q):
// x_p <- c·x_p - s·x_q, x_q <- s·x_p + c·x_q, applied to the rows and to the columns.
// Only indices below n may hold non-zero entries (the others are left alone).
// cc = c·c, ss = s·s, cs = c·s are shared by the calls with the same angle.
template <int p, int q, int n, typename T, typename C>
inline void RotateRowsAndColumns(T (&m)[21], const C& c, const C& s, const C& cc, const C& ss,
                                 const C& cs) {
  StaticFor<n>([&](auto k) {
    if constexpr (k != p && k != q) {
      constexpr int ip = InertiaEntry(p, k), iq = InertiaEntry(q, k);
      const T xp = m[ip], xq = m[iq];
      m[ip] = c * xp - s * xq;
      m[iq] = s * xp + c * xq;
    }
  });
  // The 2 by 2 block [pp pq; pq qq] -> G [pp pq; pq qq] G^T.
  constexpr int ipp = InertiaEntry(p, p), ipq = InertiaEntry(p, q), iqq = InertiaEntry(q, q);
  const T pp = m[ipp], pq = m[ipq], qq = m[iqq];
  const T cross = (cs + cs) * pq;
  m[ipp] = (cc * pp - cross) + ss * qq;
  m[iqq] = (ss * pp + cross) + cc * qq;
  m[ipq] = cs * (pp - qq) + (cc - ss) * pq;
}

// Congruence of a packed symmetric matrix by the shear x_p <- x_p + t·x_q (x_q unchanged),
// applied to the rows and to the columns. Only indices below n may hold non-zero entries.
template <int p, int q, int n, typename T>
inline void ShearRowsAndColumns(T (&m)[21], double t) {
  constexpr int ipp = InertiaEntry(p, p), ipq = InertiaEntry(p, q);
  const T pqBefore = m[ipq];
  StaticFor<n>([&](auto k) {
    if constexpr (k != p) m[InertiaEntry(p, k)] += t * m[InertiaEntry(q, k)];
  });
  // M(p,p) + t·M(q,p) (row step) + t·(M(p,q) + t·M(q,q)) (column step, after the row step)
  m[ipp] += t * pqBefore + t * m[ipq];
}

// Row i of M times v: (M·v)[i].
template <int i, typename T>
inline T RowTimes(const ArticulatedInertiaOf<T>& M, const SpatialVectorOf<T>& v) {
  return M[InertiaEntry(i, 0)] * v[0] + M[InertiaEntry(i, 1)] * v[1] +
         M[InertiaEntry(i, 2)] * v[2] + M[InertiaEntry(i, 3)] * v[3] +
         M[InertiaEntry(i, 4)] * v[4] + M[InertiaEntry(i, 5)] * v[5];
}

}  // namespace detail

// The child's articulated inertia with its joint projected out, moved into the parent frame:
// P = M - U·U^T / D (row and column 5 of P vanish), out = Xf·P·Xf^T, the congruence by the three
// stages of TransformForceToParent. inverseD is 1/D, formed by the caller.
template <typename T>
[[gnu::always_inline]] inline void TransferArticulatedInertia(ArticulatedInertiaOf<T>& out,
                                                              const ArticulatedInertiaOf<T>& M,
                                                              const LinkTransformOf<T>& X,
                                                              const T& inverseD) {
  using detail::StaticFor;
  // w[j] = U[j] / D, formed once for the whole matrix.
  T w[5];
  StaticFor<5>([&](auto j) { w[j] = M[UEntry[j]] * inverseD; });
  T P[21];
  // P(i,j) = M(i,j) - U[i]·(U[j] / D), i <= j < 5; row and column 5 are zero.
  StaticFor<5>([&](auto i) {
    const T Ui = M[UEntry[i]];
    StaticFor<5>([&](auto j) {
      if constexpr (i <= j) P[InertiaEntry(i, j)] = M[InertiaEntry(i, j)] - Ui * w[j];
    });
  });
  StaticFor<6>([&](auto i) { P[InertiaEntry(i, 5)] = LaneSplat<T>(0.0); });
  {  // joint rotation Rz(theta) on both halves; index 5 is still zero
    const T c = X.cosTheta, s = X.sinTheta, cc = c * c, ss = s * s, cs = c * s;
    detail::RotateRowsAndColumns<0, 1, 5>(P, c, s, cc, ss, cs);
    detail::RotateRowsAndColumns<3, 4, 5>(P, c, s, cc, ss, cs);
  }
  // shift ang += delta x lin, delta = (a, 0, -d): n0 += d·f1, n1 += -d·f0 - a·f2, n2 += a·f1
  if (X.d != 0.0) {
    detail::ShearRowsAndColumns<3, 1, 5>(P, X.d);
    detail::ShearRowsAndColumns<4, 0, 5>(P, -X.d);
  }
  detail::ShearRowsAndColumns<4, 2, 5>(P, -X.a);
  detail::ShearRowsAndColumns<5, 1, 6>(P, X.a);
  if (detail::Twisted(X.sinAlpha, X.cosAlpha)) {  // twist Rx(alpha) on both halves
    const double c = X.cosAlpha, s = X.sinAlpha, cc = c * c, ss = s * s, cs = c * s;
    detail::RotateRowsAndColumns<1, 2, 6>(P, c, s, cc, ss, cs);
    detail::RotateRowsAndColumns<4, 5, 6>(P, c, s, cc, ss, cs);
  }
  StaticFor<21>([&](auto i) { out[i] = P[i]; });
}

// The child's articulated bias moved into the parent frame:
// lambda = (tau - pA[5]) / D, y = pA + U·lambda with y[5] = tau, out = Xf·y.
template <typename T>
inline void TransferArticulatedBias(SpatialVectorOf<T>& out, const SpatialVectorOf<T>& pA,
                                    const ArticulatedInertiaOf<T>& M, const T& tau,
                                    const LinkTransformOf<T>& X, const T& inverseD) {
  const T lambda = (tau - pA[5]) * inverseD;
  SpatialVectorOf<T> y;
  detail::StaticFor<5>([&](auto i) { y[i] = pA[i] + M[UEntry[i]] * lambda; });
  y[5] = tau;
  TransformForceToParent(out, y, X);
}

// The joint rate: out = (p - pA[5] - U^T·x) / D, x being the parent's velocity in this frame,
// formed as a product with 1/D.
template <typename T>
inline void SolveJointRate(T& out, const T& p, const SpatialVectorOf<T>& pA,
                           const SpatialVectorOf<T>& x, const ArticulatedInertiaOf<T>& M,
                           const T& inverseD) {
  const T Ux = (M[UEntry[0]] * x[0] + M[UEntry[1]] * x[1]) +
               (M[UEntry[2]] * x[2] + M[UEntry[3]] * x[3]) +
               (M[UEntry[4]] * x[4] + M[UEntry[5]] * x[5]);
  out = ((p - pA[5]) - Ux) * inverseD;
}

// The velocity term of the rate of change of the joint's momentum: g = M·v + beta (rows 0, 1, 3,
// 4 only), out = (v x* g)[5] = v[3]·g[4] - v[4]·g[3] + v[0]·g[1] - v[1]·g[0].
template <typename T>
inline void MomentumRateVelocityTerm(T& out, const ArticulatedInertiaOf<T>& M,
                                     const SpatialVectorOf<T>& beta, const SpatialVectorOf<T>& v) {
  using detail::RowTimes;
  const T g0 = RowTimes<0>(M, v) + beta[0], g1 = RowTimes<1>(M, v) + beta[1];
  const T g3 = RowTimes<3>(M, v) + beta[3], g4 = RowTimes<4>(M, v) + beta[4];
  out = v[3] * g4 - v[4] * g3 + v[0] * g1 - v[1] * g0;
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
