// What the blocks are made of at one state, over the lane type T (a double or a pack, lane by
// lane): A, its factor, q̇, and the dot products P = ∂(A v)/∂q and G = ∂ṗ/∂q at fixed v = q̇.
#pragma once

#include "dynamics/derivatives/base_frames.h"
#include "dynamics/derivatives/jacobian_arrays.h"
#include "dynamics/derivatives/joint_vectors.h"
#include "dynamics/derivatives/mass_matrix.h"
#include "dynamics/derivatives/six_vectors.h"
#include "dynamics/lanes/code_target.h"
#include "dynamics/trigonometry/sine_table.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace jacobian {

// The dot products below for a chain, each entry by Dot6's sum: row d from column 0 to d, then
// row a from column a + 1 on, each in one pass over the columns, on the vectors by component.
template <typename T>
void ChainDotProducts(const JacobianArrays<T>& s) {
  const std::ptrdiff_t n = s.n;
  const T* const u = s.columns + 6 * n;
  const T* const e = u + 6 * n;
  const T* const mu = s.columns + 18 * n;
  const T* const rho = mu + 6 * n;
  for (std::ptrdiff_t d = 0; d < n; ++d) {
    const HeldSix<T> alphaD(&s.alpha[6 * d]), muD(&s.mu[6 * d]);
    T* __restrict__ P = s.pq + d * n;
    T* __restrict__ G = s.gq + d * n;
    ForColumnRuns<T>(0, d + 1, [&](auto run, std::ptrdiff_t a) {
      using V = decltype(run);
      StoreRun(P + a, -alphaD.template Dot<V>(u + a, n));
      StoreRun(G + a, muD.template Dot<V>(u + a, n) - alphaD.template Dot<V>(e + a, n));
    });
  }
  for (std::ptrdiff_t a = 0; a < n; ++a) {
    const HeldSix<T> S(&s.axis[6 * a]), uA(&s.u[6 * a]);
    T* __restrict__ P = s.pq + a * n;
    T* __restrict__ G = s.gq + a * n;
    ForColumnRuns<T>(a + 1, n, [&](auto run, std::ptrdiff_t d) {
      using V = decltype(run);
      StoreRun(P + d, -S.template Dot<V>(mu + d, n));
      StoreRun(G + d, S.template Dot<V>(rho + d, n) + uA.template Dot<V>(mu + d, n));
    });
  }
}

// ∂(A v)/∂q and ∂ṗ/∂q at fixed rates: for a an ancestor of d or d itself,
//   P(d, a) = -alpha_d·u_a,  P(a, d) = -S_a·mu_d,
//   G(d, a) = mu_d·u_a - alpha_d·e_a,  G(a, d) = S_a·rho_d + u_a·mu_d,
// and zero between joints on different branches.
template <typename T>
void DotProducts(const JacobianArrays<T>& s) {
  const int n = s.n;
  T* P = s.pq;
  T* G = s.gq;
  if (IsChain(s)) {
    ChainDotProducts(s);
    return;
  }
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
}

// A (into `mass` unless null) and its Cholesky factor, q̇, P = ∂(A v)/∂q and G = ∂ṗ/∂q at
// fixed v = q̇; false where A is not positive definite.
template <typename T>
bool MomentumForm(const JacobianArrays<T>& s, const double (&gravity)[3], const SineTable* table,
                  double friction, const T* p, const T* q, T* mass) {
  Kinematics(s, table, q);
  CompositeInertias(s);
  if (!MassMatrixAndRates(s, p, mass)) return false;
  JointVectors(s, gravity, friction);
  DotProducts(s);
  return true;
}

}  // namespace jacobian
}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
