// The kernels of the in-plane algebra: the kernels of spatial_kernels.h for the in-plane part of
// every quantity (PlaneVector, PlaneInertia, PlaneTransform; see spatial_types.h for when that
// part is all there is). Each forms its entries with the operations, in the order, by which the
// 6-D kernel forms them, so its results are the 6-D kernel's own, bit for bit. Terms that are
// products of the exact out-of-plane zeros are left out: adding them would change nothing but,
// at most, the sign of a result that is exactly zero.
#pragma once

#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"
#include "dynamics/spatial/spatial_types.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// clang-format off

// The link's momentum: out = (m·v0 - m·rcy·v5, m·v1 + m·rcx·v5, Izz·v5 + m·(rcx·v1 - rcy·v0)).
template <typename T>
inline void ApplyRigidInertia(PlaneVectorOf<T>& out, double m, const double (&I)[6],
                              const double (&rc)[3], const PlaneVectorOf<T>& v) {
  const double mx = m * rc[0], my = m * rc[1];
  out = PlaneVectorOf<T>{m * v.c0 - my * v.c5, m * v.c1 + mx * v.c5,
                         I[5] * v.c5 + m * (rc[0] * v.c1 - rc[1] * v.c0)};
}

// The in-plane entries of the rigid-body inertia, (m, 0, -m·rcy, m, m·rcx, Izz), plus each
// child's contribution, entry by entry, in the order given.
template <typename T, typename... Children>
inline void BuildArticulatedInertia(PlaneInertiaOf<T>& out, double m, const double (&I)[6],
                                    const double (&rc)[3], const Children&... children) {
  const double mx = m * rc[0], my = m * rc[1];
  T m00 = LaneSplat<T>(m), m01 = LaneSplat<T>(0.0), m05 = LaneSplat<T>(-my);
  T m11 = LaneSplat<T>(m), m15 = LaneSplat<T>(mx), m55 = LaneSplat<T>(I[5]);
  ((m00 = m00 + children.m00, m01 = m01 + children.m01, m05 = m05 + children.m05,
    m11 = m11 + children.m11, m15 = m15 + children.m15, m55 = m55 + children.m55), ...);
  out = PlaneInertiaOf<T>{m00, m01, m05, m11, m15, m55};
}

// out = base + each child's contribution, in the order given.
template <typename T, typename... Children>
inline void AddChildVectors(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& base,
                            const Children&... children) {
  PlaneVectorOf<T> sum = base;
  ((sum = PlaneVectorOf<T>{sum.c0 + children.c0, sum.c1 + children.c1, sum.c5 + children.c5}),
   ...);
  out = sum;
}

// out = the sum of the children's contributions, started from zeros as the 6-D sum is (0 + x
// turns a negative zero into a positive one).
template <typename T, typename... Children>
inline void SumChildVectors(PlaneVectorOf<T>& out, const Children&... children) {
  const T zero = LaneSplat<T>(0.0);
  AddChildVectors(out, PlaneVectorOf<T>{zero, zero, zero}, children...);
}

// The weight: F = m·g, out = (F0, F1, rcx·F1 - rcy·F0).
template <typename T>
inline void GravityForce(PlaneVectorOf<T>& out, const T (&g)[3], const double (&rc)[3],
                         double m) {
  const T F0 = m * g[0], F1 = m * g[1];
  out = PlaneVectorOf<T>{F0, F1, rc[0] * F1 - rc[1] * F0};
}

// out = x5.
template <typename T>
inline void JointComponent(T& out, const PlaneVectorOf<T>& x) { out = x.c5; }

// x + S·s.
template <typename T>
inline void AddJointRate(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& x, const T& s) {
  out = PlaneVectorOf<T>{x.c0, x.c1, x.c5 + s};
}

// x + S·(s1 + s2), summed as (x5 + s1) + s2.
template <typename T>
inline void AddJointTorques(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& x, const T& s1,
                            const T& s2) {
  out = PlaneVectorOf<T>{x.c0, x.c1, (x.c5 + s1) + s2};
}

// x - S·s.
template <typename T>
inline void TakeJointTorque(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& x, const T& s) {
  out = PlaneVectorOf<T>{x.c0, x.c1, x.c5 - s};
}

// Xf·f: l = Rz(theta)·(f0, f1), out = (l0, l1, f5 + a·l1).
template <typename T>
inline void TransformForceToParent(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& f,
                                   const PlaneTransformOf<T>& X) {
  const T c = X.cosTheta, s = X.sinTheta;
  const T l0 = c * f.c0 - s * f.c1, l1 = s * f.c0 + c * f.c1;
  out = PlaneVectorOf<T>{l0, l1, f.c5 + X.a * l1};
}

// Xf^T·v: l1 = v1 + a·v5, out = (Rz(theta)^T·(v0, l1), v5).
template <typename T>
inline void TransformMotionToChild(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& v,
                                   const PlaneTransformOf<T>& X) {
  const T l0 = v.c0, l1 = v.c1 + X.a * v.c5;
  const T c = X.cosTheta, s = X.sinTheta;
  out = PlaneVectorOf<T>{c * l0 + s * l1, -s * l0 + c * l1, v.c5};
}

// E^T·x for gravity, no twist: out = (c·x0 + s·x1, -s·x0 + c·x1, x2).
template <typename T>
inline void RotateToChild(T (&out)[3], const T (&x)[3], const PlaneTransformOf<T>& X) {
  out[0] = X.cosTheta * x[0] + X.sinTheta * x[1];
  out[1] = -X.sinTheta * x[0] + X.cosTheta * x[1];
  out[2] = x[2];
}

// clang-format on

// Xf·(M - U·U^T/D)·Xf^T. With w = (U0, U1)/D:
//   P00 = M00 - U0·w0, P01 = M01 - U0·w1, P11 = M11 - U1·w1, row and column 5 zero;
//   the joint rotation turns the 2 by 2 block [P00 P01; P01 P11] by theta;
//   the shear n2 += a·f1 then gives out05 = a·P01, out15 = a·P11, out55 = a·out15.
template <typename T>
inline void TransferArticulatedInertia(PlaneInertiaOf<T>& out, const PlaneInertiaOf<T>& M,
                                       const PlaneTransformOf<T>& X, const T& inverseD) {
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

// lambda = (tau - pA5) / D, y = (pA0 + U0·lambda, pA1 + U1·lambda, tau), out = Xf·y.
template <typename T>
inline void TransferArticulatedBias(PlaneVectorOf<T>& out, const PlaneVectorOf<T>& pA,
                                    const PlaneInertiaOf<T>& M, const T& tau,
                                    const PlaneTransformOf<T>& X, const T& inverseD) {
  const T lambda = (tau - pA.c5) * inverseD;
  const PlaneVectorOf<T> y{pA.c0 + M.m05 * lambda, pA.c1 + M.m15 * lambda, tau};
  TransformForceToParent(out, y, X);
}

// The joint rate: out = (p - pA5 - (U0·x0 + U1·x1 + D·x5)) / D.
template <typename T>
inline void SolveJointRate(T& out, const T& p, const PlaneVectorOf<T>& pA,
                           const PlaneVectorOf<T>& x, const PlaneInertiaOf<T>& M,
                           const T& inverseD) {
  const T Ux = (M.m05 * x.c0 + M.m15 * x.c1) + M.m55 * x.c5;
  out = ((p - pA.c5) - Ux) * inverseD;
}

// The momentum rate's velocity term: g = M·v + beta (rows 0 and 1), out = v0·g1 - v1·g0; v3
// and v4 are zero.
template <typename T>
inline void MomentumRateVelocityTerm(T& out, const PlaneInertiaOf<T>& M,
                                     const PlaneVectorOf<T>& beta, const PlaneVectorOf<T>& v) {
  const T g0 = ((M.m00 * v.c0 + M.m01 * v.c1) + M.m05 * v.c5) + beta.c0;
  const T g1 = ((M.m01 * v.c0 + M.m11 * v.c1) + M.m15 * v.c5) + beta.c1;
  out = v.c0 * g1 - v.c1 * g0;
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
