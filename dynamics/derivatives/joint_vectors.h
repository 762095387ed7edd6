// The per-joint six-vectors whose dot products are the entries of P = ∂(A v)/∂q and G = ∂ṗ/∂q:
// from the joint rates, the velocities, the subtrees' momenta h and wrenches F, then
// u = S x w, mu = I^C u - S x* h, e = S x (0; g), rho = S x* F - I^C e (jacobian_storage.h).
#pragma once

#include <cstddef>

#include "dynamics/derivatives/column_runs.h"
#include "dynamics/derivatives/jacobian_arrays.h"
#include "dynamics/derivatives/six_vectors.h"
#include "dynamics/lanes/code_target.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace jacobian {

// Joint j's u, mu, e and rho and its wrench with the weight, for the V's run of joints from j
// on, each joint's by the operations of one (a double: one joint; for one state's doubles a pack
// runs several joints side by side in its lanes).
template <typename V, typename T>
void JointProducts(const JacobianArrays<T>& s, const double (&g)[6], std::ptrdiff_t j) {
  const std::ptrdiff_t n = s.n;
  V S[6], IC[10], w[6], h[6], F[6];
  GatherRuns(s.axis + 6 * j, 6, 6, S);
  GatherRuns(s.composite + 10 * j, 10, 10, IC);
  GatherRuns(s.parentVelocity + 6 * j, 6, 6, w);
  GatherRuns(s.momentum + 6 * j, 6, 6, h);
  GatherRuns(s.wrench + 6 * j, 6, 6, F);
  V weight[6], beta[6], gamma[6], t[6], u[6], mu[6], e[6], rho[6];
  ApplyInertia(IC, g, weight);
  for (int i = 0; i < 6; ++i) F[i] += weight[i];
  MotionCross(S, w, u);
  ApplyInertia(IC, u, beta);
  ForceCross(S, h, gamma);
  for (int i = 0; i < 6; ++i) mu[i] = beta[i] - gamma[i];
  MotionCross(S, g, e);
  ForceCross(S, F, rho);
  ApplyInertia(IC, e, t);
  for (int i = 0; i < 6; ++i) rho[i] -= t[i];
  ScatterRuns(F, 6, 6, s.wrench + 6 * j);
  ScatterRuns(u, 6, 6, s.u + 6 * j);
  ScatterRuns(mu, 6, 6, s.mu + 6 * j);
  ScatterRuns(e, 6, 6, s.e + 6 * j);
  ScatterRuns(rho, 6, 6, s.rho + 6 * j);
  // By component too (JacobianArrays::columns), for a chain's dot products.
  for (std::ptrdiff_t i = 0; i < 6; ++i) {
    StoreRun(s.columns + (6 + i) * n + j, u[i]);
    StoreRun(s.columns + (12 + i) * n + j, e[i]);
    StoreRun(s.columns + (18 + i) * n + j, mu[i]);
    StoreRun(s.columns + (24 + i) * n + j, rho[i]);
  }
}

// Every joint's w, v, h, F, u, mu, e and rho from its rates s.rates, the friction couples -b q̇_k
// on the links that turn.
template <typename T>
void JointVectors(const JacobianArrays<T>& s, const double (&gravity)[3], double friction) {
  const int n = s.n;
  const T* rates = s.rates;
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
  ForColumnRuns<T>(0, n,
                   [&](auto run, std::ptrdiff_t j) { JointProducts<decltype(run)>(s, g, j); });
}

}  // namespace jacobian
}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
