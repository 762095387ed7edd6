// The per-joint six-vectors whose dot products are the entries of P = ∂(A v)/∂q and G = ∂ṗ/∂q:
// from the joint rates, the velocities, the subtrees' momenta h and wrenches F, then
// u = S x w, mu = I^C u - S x* h, e = S x (0; g), rho = S x* F - I^C e (jacobian_storage.h).
#pragma once

#include <cstddef>

#include "dynamics/derivatives/jacobian_arrays.h"
#include "dynamics/derivatives/six_vectors.h"
#include "dynamics/lanes/code_target.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace jacobian {

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
    // u, e, mu and rho by component too (jacobian_arrays.h), for a chain's dot products.
    T* byComponent = s.columns + j;
    for (std::ptrdiff_t i = 0; i < 6; ++i) {
      byComponent[(6 + i) * n] = uj[i];
      byComponent[(12 + i) * n] = ej[i];
      byComponent[(18 + i) * n] = s.mu[6 * j + i];
      byComponent[(24 + i) * n] = s.rho[6 * j + i];
    }
  }
}

}  // namespace jacobian
}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
