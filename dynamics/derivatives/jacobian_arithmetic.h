// The Jacobian's arithmetic written once over the lane type T: a double, one state, or a pack of
// W states side by side (lanes.h), which gives each lane the bits of the double path, the same
// operations in the same order. Every quantity is in base coordinates, where turning joint i
// moves each thing attached beyond it by the motion S_i (d/dq_i x = S_i x x for motions,
// S_i x* f for forces), so that each entry of ∂(A v)/∂q and of ∂ṗ/∂(q, q̇) at fixed (q, q̇) is
// one dot product of per-joint six-vectors, and
//   ∂q̇/∂p = A^-1,  ∂q̇/∂q = -A^-1 ∂(A q̇)/∂q,  ∂ṗ/∂p = G_v A^-1,  ∂ṗ/∂q = G_q + G_v ∂q̇/∂q.
// The stages up to P and G are in momentum_form.h; here are the solves that make the four blocks
// of them, and the generalized friction they add.
#pragma once

#include "dynamics/derivatives/dense_cholesky.h"
#include "dynamics/derivatives/jacobian_arrays.h"
#include "dynamics/derivatives/momentum_form.h"
#include "dynamics/lanes/code_target.h"
#include "dynamics/trigonometry/sine_table.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace jacobian {

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
    RowOperation<true, false, true>(W + i * n, P + i * n, A[i * n + i], 0, n, A + i * n, 1, W, n, 0,
                                    i);
  }
  T* X = out.dqdotDq;
  for (int i = n - 1; i >= 0; --i) {
    RowOperation<true, false, true>(X + i * stride, W + i * n, A[i * n + i], 0, n, A + i, n, X,
                                    stride, i + 1, n);
  }
  for (int r = 0; r < n; ++r) {
    T* qp = out.dqdotDp + r * stride;
    T* pp = out.dpdotDp + r * stride;
    for (int c = 0; c < n; ++c) qp[c] = inverse[r * n + c], pp[c] = X[c * stride + r];
  }
  AddFriction(s, friction, inverse, n, out.dpdotDp, stride, -1.0);
  for (int r = 0; r < n; ++r) {
    RowOperation<false, true, false>(out.dpdotDq + r * stride, static_cast<const T*>(nullptr), T{},
                                     r, n, W + r, n, W, n, 0, n);
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
