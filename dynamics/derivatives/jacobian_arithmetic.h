// The Jacobian's arithmetic written once over the lane type T: a double, one state, or a pack of
// W states side by side (lanes.h), which gives each lane the bits of the double path, the same
// operations in the same order. Every quantity is in base coordinates, where turning joint i
// moves each thing attached beyond it by the motion S_i (d/dq_i x = S_i x x for motions,
// S_i x* f for forces), so that each entry of ∂(A v)/∂q and of ∂ṗ/∂(q, q̇) at fixed (q, q̇) is
// one dot product of per-joint six-vectors, and
//   ∂q̇/∂p = A^-1,  ∂q̇/∂q = -A^-1 ∂(A q̇)/∂q,  ∂ṗ/∂p = G_v A^-1,  ∂ṗ/∂q = G_q + G_v ∂q̇/∂q.
#pragma once

#include <cmath>
#include <cstddef>
#include <type_traits>

#include "dynamics/derivatives/dense_cholesky.h"
#include "dynamics/derivatives/jacobian_storage.h"
#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"
#include "dynamics/trigonometry/exact_sines.h"
#include "dynamics/trigonometry/sine_table.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// The working arrays of JacobianStorage as T: per joint the rotation (9), origin (3), the
// six-vectors (6 each) and inertias (10 each), q̇ (1); n by n each the factor, A^-1, P, G and the
// scratch of the solves.
template <typename T>
struct JacobianArrays {
  int n;
  const JacobianJoint* joints;
  T *rotation, *origin, *axis, *parentVelocity, *velocity, *momentum, *wrench, *alpha, *u, *mu, *e,
      *rho, *body, *composite, *rates;
  T *factor, *inverse, *pq, *gq, *gv;
};

// The four blocks of JacobianArrays<T>: each n by n, row r at block + r·stride.
template <typename T>
struct JacobianBlocksOf {
  T *dpdotDp, *dpdotDq, *dqdotDp, *dqdotDq;
  int stride;
};

// The values of T that JacobianArrays<T> needs for n joints, one block after another in the
// order of its fields.
inline std::size_t JacobianArrayCount(int n) {
  const std::size_t joints = static_cast<std::size_t>(n);
  return joints * (9 + 3 + 6 * 10 + 10 * 2 + 1) + 5 * joints * joints;
}

// The arrays carved out of `values` (JacobianArrayCount(n) of them).
template <typename T>
JacobianArrays<T> JacobianArraysIn(T* values, int n, const JacobianJoint* joints) {
  const std::size_t m = static_cast<std::size_t>(n);
  JacobianArrays<T> a;
  a.n = n;
  a.joints = joints;
  T* next = values;
  auto take = [&next](std::size_t count) {
    T* at = next;
    next += count;
    return at;
  };
  a.rotation = take(9 * m);
  a.origin = take(3 * m);
  a.axis = take(6 * m);
  a.parentVelocity = take(6 * m);
  a.velocity = take(6 * m);
  a.momentum = take(6 * m);
  a.wrench = take(6 * m);
  a.alpha = take(6 * m);
  a.u = take(6 * m);
  a.mu = take(6 * m);
  a.e = take(6 * m);
  a.rho = take(6 * m);
  a.body = take(10 * m);
  a.composite = take(10 * m);
  a.rates = take(m);
  a.factor = take(m * m);
  a.inverse = take(m * m);
  a.pq = take(m * m);
  a.gq = take(m * m);
  a.gv = take(m * m);
  return a;
}

namespace jacobian {

// sin q and cos q as the model takes them (null table: the library's, ExactSineAndCosine), lane by
// lane for a pack.
template <typename T>
inline void SineAndCosine(const SineTable* table, const T& q, T& s, T& c) {
  if constexpr (std::is_same_v<T, double>) {
    if (table == nullptr) {
      ExactSineAndCosine(q, s, c);
    } else {
      s = SineFromTable(*table, q);
      c = CosineFromTable(*table, q);
    }
  } else {
    for (int lane = 0; lane < static_cast<int>(sizeof(T) / sizeof(double)); ++lane) {
      double sl = 0.0, cl = 0.0;
      SineAndCosine(table, static_cast<double>(q[lane]), sl, cl);
      s[lane] = sl;
      c[lane] = cl;
    }
  }
}

template <typename T, typename A, typename B>
inline void Cross(const A* a, const B* b, T* out) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

// a x m for motions a, m: (a_w x m_w; a_w x m_v + a_v x m_w).
template <typename T, typename M>
inline void MotionCross(const T* a, const M* m, T* out) {
  T t[3];
  Cross(a, m, out);
  Cross(a, m + 3, out + 3);
  Cross(a + 3, m, t);
  for (int i = 0; i < 3; ++i) out[3 + i] += t[i];
}

// a x* f for a motion a and a force f: (a_w x f_n + a_v x f_f; a_w x f_f).
template <typename T>
inline void ForceCross(const T* a, const T* f, T* out) {
  T t[3];
  Cross(a, f, out);
  Cross(a + 3, f + 3, t);
  for (int i = 0; i < 3; ++i) out[i] += t[i];
  Cross(a, f + 3, out + 3);
}

template <typename T>
inline T Dot6(const T* a, const T* b) {
  T sum = T{};
  for (int i = 0; i < 6; ++i) sum += a[i] * b[i];
  return sum;
}

// A rigid inertia as (m, first moment s = m c, rotational inertia about the base origin xx, xy,
// xz, yy, yz, zz) applied to a motion: (I_O w + s x v; m v - s x w).
template <typename T, typename X>
inline void ApplyInertia(const T* I, const X* x, T* out) {
  const T* s = I + 1;
  const T* R = I + 4;
  T t[3];
  out[0] = R[0] * x[0] + R[1] * x[1] + R[2] * x[2];
  out[1] = R[1] * x[0] + R[3] * x[1] + R[4] * x[2];
  out[2] = R[2] * x[0] + R[4] * x[1] + R[5] * x[2];
  Cross(s, x + 3, t);
  for (int i = 0; i < 3; ++i) out[i] += t[i];
  Cross(s, x, t);
  for (int i = 0; i < 3; ++i) out[3 + i] = I[0] * x[3 + i] - t[i];
}

// out = a·b for 3x3 row-major matrices.
template <typename T, typename B>
inline void Multiply3(const T* a, const B* b, T* out) {
  for (std::ptrdiff_t r = 0; r < 3; ++r) {
    for (std::ptrdiff_t c = 0; c < 3; ++c) {
      out[3 * r + c] = a[3 * r] * b[c] + a[3 * r + 1] * b[3 + c] + a[3 * r + 2] * b[6 + c];
    }
  }
}

// Each body's frame, axis and inertia in base coordinates at q.
template <typename T>
void Kinematics(const JacobianArrays<T>& s, const SineTable* table, const T* q) {
  const T one = LaneSplat<T>(1.0), zero = T{};
  const T identity[9] = {one, zero, zero, zero, one, zero, zero, zero, one};
  const T origin0[3] = {zero, zero, zero};
  for (int j = 0; j < s.n; ++j) {
    const JacobianJoint& J = s.joints[j];
    const T* parentRotation = J.parent < 0 ? identity : &s.rotation[9 * J.parent];
    const T* parentOrigin = J.parent < 0 ? origin0 : &s.origin[3 * J.parent];
    // E = Rz(gamma)·Rx(alpha)
    const double cg = J.cosGamma, sg = J.sinGamma, ca = J.cosAlpha, sa = J.sinAlpha;
    const double E[9] = {cg, -sg * ca, sg * sa, sg, cg * ca, -cg * sa, 0.0, sa, ca};
    T joint[9];
    Multiply3(parentRotation, E, joint);
    const T shift[3] = {LaneSplat<T>(J.shift[0]), LaneSplat<T>(J.shift[1]),
                        J.turns ? LaneSplat<T>(J.shift[2]) : J.shift[2] + q[j]};
    T* o = &s.origin[3 * j];
    for (int r = 0; r < 3; ++r) {
      o[r] = parentOrigin[r] +
             (joint[3 * r] * shift[0] + joint[3 * r + 1] * shift[1] + joint[3 * r + 2] * shift[2]);
    }
    T* R = &s.rotation[9 * j];
    if (J.turns) {
      T sq = zero, cq = zero;
      SineAndCosine(table, q[j], sq, cq);
      const T Z[9] = {cq, -sq, zero, sq, cq, zero, zero, zero, one};
      Multiply3(joint, Z, R);
    } else {
      for (int i = 0; i < 9; ++i) R[i] = joint[i];
    }
    const T a[3] = {R[2], R[5], R[8]};
    T* S = &s.axis[6 * j];
    if (J.turns) {
      for (int i = 0; i < 3; ++i) S[i] = a[i];
      Cross(o, a, S + 3);
    } else {
      for (int i = 0; i < 3; ++i) S[i] = zero, S[3 + i] = a[i];
    }
    // The body: r = R c from the frame origin, c_w = o + r, its inertia about the frame origin
    // turned into base axes, R I Rᵀ, then moved to the base origin by the parallel-axis theorem
    // twice: + m(|c_w|² 1 - c_w c_wᵀ) - m(|r|² 1 - r rᵀ).
    T r[3], c[3];
    for (std::ptrdiff_t i = 0; i < 3; ++i) {
      r[i] = R[3 * i] * J.centreOfMass[0] + R[3 * i + 1] * J.centreOfMass[1] +
             R[3 * i + 2] * J.centreOfMass[2];
      c[i] = o[i] + r[i];
    }
    const double* I = J.inertia;
    const double full[9] = {I[0], I[1], I[2], I[1], I[3], I[4], I[2], I[4], I[5]};
    T RI[9], turned[9];
    Multiply3(R, full, RI);
    for (std::ptrdiff_t row = 0; row < 3; ++row) {
      for (std::ptrdiff_t col = 0; col < 3; ++col) {
        turned[3 * row + col] = RI[3 * row] * R[3 * col] + RI[3 * row + 1] * R[3 * col + 1] +
                                RI[3 * row + 2] * R[3 * col + 2];
      }
    }
    const double m = J.mass;
    const T cc = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
    const T rr = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
    static const int rows[6] = {0, 0, 0, 1, 1, 2}, cols[6] = {0, 1, 2, 1, 2, 2};
    T* B = &s.body[10 * j];
    B[0] = LaneSplat<T>(m);
    for (int i = 0; i < 3; ++i) B[1 + i] = m * c[i];
    for (int k = 0; k < 6; ++k) {
      const int row = rows[k], col = cols[k];
      const double diagonal = row == col ? 1.0 : 0.0;
      B[4 + k] = turned[3 * row + col] + m * (cc * diagonal - c[row] * c[col]) -
                 m * (rr * diagonal - r[row] * r[col]);
    }
  }
}

// Row r of M += f·(row d of `rows`), for every friction couple and damping entry f = F(r, d) of
// the generalized friction -F q̇: b (z_r·z_d) for r an ancestor of d or d itself, and the
// damping of d on the diagonal.
template <typename T>
void AddFriction(const JacobianArrays<T>& s, double friction, const T* rows, int rowStride, T* M,
                 int stride, double sign) {
  const int n = s.n;
  for (int d = 0; d < n; ++d) {
    const JacobianJoint& J = s.joints[d];
    const T* from = rows + d * rowStride;
    if (J.damping != 0.0) {
      T* to = M + d * stride;
      for (int c = 0; c < n; ++c) to[c] += sign * (J.damping * from[c]);
    }
    if (friction == 0.0 || !J.turns) continue;
    const T* zd = &s.axis[6 * d];
    for (int a = d; a >= 0; a = s.joints[a].parent) {
      if (!s.joints[a].turns) continue;
      const T* za = &s.axis[6 * a];
      const T f = friction * (za[0] * zd[0] + za[1] * zd[1] + za[2] * zd[2]);
      T* to = M + a * stride;
      for (int c = 0; c < n; ++c) to[c] += sign * (f * from[c]);
    }
  }
}

// A (into `mass` unless null) and its Cholesky factor, q̇, P = ∂(A v)/∂q and G = ∂ṗ/∂q at
// fixed v = q̇; false where A is not positive definite.
template <typename T>
bool MomentumForm(const JacobianArrays<T>& s, const double (&gravity)[3], const SineTable* table,
                  double friction, const T* p, const T* q, T* mass) {
  const int n = s.n;
  Kinematics(s, table, q);
  // Composite inertias, inward (every parent comes before its children).
  for (int i = 0; i < 10 * n; ++i) s.composite[i] = s.body[i];
  for (int j = n - 1; j >= 0; --j) {
    const int parent = s.joints[j].parent;
    if (parent < 0) continue;
    for (int i = 0; i < 10; ++i) s.composite[10 * parent + i] += s.composite[10 * j + i];
  }
  // A_ij = S_iᵀ I^C_j S_j for i an ancestor of j or j itself; zero for joints on other branches.
  T* A = s.factor;
  for (int i = 0; i < n * n; ++i) A[i] = T{};
  for (int j = 0; j < n; ++j) {
    T* alpha = &s.alpha[6 * j];
    ApplyInertia(&s.composite[10 * j], &s.axis[6 * j], alpha);
    for (int i = j; i >= 0; i = s.joints[i].parent) {
      const T a = Dot6(&s.axis[6 * i], alpha);
      A[i * n + j] = a;
      A[j * n + i] = a;
    }
  }
  if (mass != nullptr) {
    for (int i = 0; i < n * n; ++i) mass[i] = A[i];
  }
  if (!FactorCholesky(A, n)) return false;
  T* rates = s.rates;
  for (int i = 0; i < n; ++i) rates[i] = p[i];
  SolveCholesky(A, n, rates);
  // Velocities outward; each body's momentum and friction couple.
  for (int j = 0; j < n; ++j) {
    const JacobianJoint& J = s.joints[j];
    T* w = &s.parentVelocity[6 * j];
    T* v = &s.velocity[6 * j];
    const T* S = &s.axis[6 * j];
    for (int i = 0; i < 6; ++i) w[i] = J.parent < 0 ? T{} : s.velocity[6 * J.parent + i];
    for (int i = 0; i < 6; ++i) v[i] = w[i] + S[i] * rates[j];
    ApplyInertia(&s.body[10 * j], v, &s.momentum[6 * j]);
    T* F = &s.wrench[6 * j];
    for (int i = 0; i < 3; ++i) {
      F[i] = J.turns ? -(friction * rates[j]) * S[i] : T{};
      F[3 + i] = T{};
    }
  }
  // Subtree momenta and couples, inward; then the subtrees' weights I^C (0; g).
  for (int j = n - 1; j >= 0; --j) {
    const int parent = s.joints[j].parent;
    if (parent < 0) continue;
    for (int i = 0; i < 6; ++i) {
      s.momentum[6 * parent + i] += s.momentum[6 * j + i];
      s.wrench[6 * parent + i] += s.wrench[6 * j + i];
    }
  }
  const double g[6] = {0.0, 0.0, 0.0, gravity[0], gravity[1], gravity[2]};
  for (int j = 0; j < n; ++j) {
    const T* S = &s.axis[6 * j];
    const T* IC = &s.composite[10 * j];
    T weight[6], beta[6], gamma[6], t[6];
    ApplyInertia(IC, g, weight);
    T* F = &s.wrench[6 * j];
    for (int i = 0; i < 6; ++i) F[i] += weight[i];
    T* uj = &s.u[6 * j];
    MotionCross(S, &s.parentVelocity[6 * j], uj);
    ApplyInertia(IC, uj, beta);
    ForceCross(S, &s.momentum[6 * j], gamma);
    for (int i = 0; i < 6; ++i) s.mu[6 * j + i] = beta[i] - gamma[i];
    T* ej = &s.e[6 * j];
    MotionCross(S, g, ej);
    ForceCross(S, F, s.rho + 6 * j);
    ApplyInertia(IC, ej, t);
    for (int i = 0; i < 6; ++i) s.rho[6 * j + i] -= t[i];
  }
  // ∂(A v)/∂q and ∂ṗ/∂q at fixed rates: for a an ancestor of d or d itself,
  //   P(d, a) = -alpha_d·u_a,  P(a, d) = -S_a·mu_d,
  //   G(d, a) = mu_d·u_a - alpha_d·e_a,  G(a, d) = S_a·rho_d + u_a·mu_d,
  // and zero between joints on different branches.
  T* P = s.pq;
  T* G = s.gq;
  for (int i = 0; i < n * n; ++i) P[i] = T{}, G[i] = T{};
  for (int d = 0; d < n; ++d) {
    for (int a = d; a >= 0; a = s.joints[a].parent) {
      const T* alphaD = &s.alpha[6 * d];
      P[d * n + a] = -Dot6(alphaD, &s.u[6 * a]);
      G[d * n + a] = Dot6(&s.mu[6 * d], &s.u[6 * a]) - Dot6(alphaD, &s.e[6 * a]);
      if (a == d) continue;
      P[a * n + d] = -Dot6(&s.axis[6 * a], &s.mu[6 * d]);
      G[a * n + d] = Dot6(&s.axis[6 * a], &s.rho[6 * d]) + Dot6(&s.u[6 * a], &s.mu[6 * d]);
    }
  }
  return true;
}

// The four blocks at the state (p, q); false, with the blocks unwritten, where A is not
// positive definite.
template <typename T>
bool Blocks(const JacobianArrays<T>& s, const double (&gravity)[3], const SineTable* table,
            double friction, const T* p, const T* q, const JacobianBlocksOf<T>& out) {
  const int n = s.n;
  if (!MomentumForm(s, gravity, table, friction, p, q, static_cast<T*>(nullptr))) return false;
  const T* A = s.factor;
  const T* P = s.pq;
  const T* G = s.gq;
  T* V = s.gv;
  T* inverse = s.inverse;
  InvertFromFactor(A, n, V, inverse);
  // With the generalized friction -F q̇ (the couples and the damping), ∂ṗ/∂q̇ = Pᵀ - F, and with
  // W = L^-1 P and X = L^-T W = A^-1 P:
  //   ∂q̇/∂p = A^-1,  ∂q̇/∂q = -X,  ∂ṗ/∂p = Xᵀ - F A^-1,  ∂ṗ/∂q = G - Wᵀ W + F X,
  // Wᵀ W = Pᵀ A^-1 P being symmetric.
  const int stride = out.stride;
  T* W = V;
  for (int i = 0; i < n; ++i) {
    T* Wi = W + i * n;
    for (int c = 0; c < n; ++c) Wi[c] = P[i * n + c];
    AccumulateRows<true>(Wi, 0, n, A + i * n, 1, W, n, 0, i);
    const T d = A[i * n + i];
    for (int c = 0; c < n; ++c) Wi[c] = Wi[c] / d;
  }
  T* X = out.dqdotDq;
  for (int i = n - 1; i >= 0; --i) {
    T* Xi = X + i * stride;
    const T* Wi = W + i * n;
    for (int c = 0; c < n; ++c) Xi[c] = Wi[c];
    AccumulateRows<true>(Xi, 0, n, A + i, n, X, stride, i + 1, n);
    const T d = A[i * n + i];
    for (int c = 0; c < n; ++c) Xi[c] = Xi[c] / d;
  }
  for (int r = 0; r < n; ++r) {
    T* qp = out.dqdotDp + r * stride;
    T* pp = out.dpdotDp + r * stride;
    for (int c = 0; c < n; ++c) qp[c] = inverse[r * n + c], pp[c] = X[c * stride + r];
  }
  AddFriction(s, friction, inverse, n, out.dpdotDp, stride, -1.0);
  for (int r = 0; r < n; ++r) {
    T* pq = out.dpdotDq + r * stride;
    for (int c = r; c < n; ++c) pq[c] = T{};
    AccumulateRows<false>(pq, r, n, W + r, n, W, n, 0, n);
  }
  for (int r = 0; r < n; ++r) {
    T* pq = out.dpdotDq + r * stride;
    for (int c = 0; c < r; ++c) pq[c] = out.dpdotDq[c * stride + r];
  }
  for (int r = 0; r < n; ++r) {
    T* pq = out.dpdotDq + r * stride;
    for (int c = 0; c < n; ++c) pq[c] = G[r * n + c] - pq[c];
  }
  AddFriction(s, friction, X, stride, out.dpdotDq, stride, 1.0);
  for (int r = 0; r < n; ++r) {
    T* qq = out.dqdotDq + r * stride;
    for (int c = 0; c < n; ++c) qq[c] = -qq[c];
  }
  return true;
}

}  // namespace jacobian
}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
