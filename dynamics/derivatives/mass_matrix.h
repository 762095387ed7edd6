// The mass matrix A from the composite inertias, its Cholesky factor and the joint rates
// q̇ = A^-1 p, over the lane type T (a double or a pack, lane by lane).
#pragma once

#include "dynamics/derivatives/dense_cholesky.h"
#include "dynamics/derivatives/jacobian_arrays.h"
#include "dynamics/derivatives/six_vectors.h"
#include "dynamics/lanes/code_target.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace jacobian {

// A (into `mass` unless null), its factor L (s.factor, by column in s.inverse until the inverse
// is formed), alpha_j = I^C_j S_j and q̇ (s.rates);
// false where A is not positive definite.
template <typename T>
bool MassMatrixAndRates(const JacobianArrays<T>& s, const T* p, T* mass) {
  const int n = s.n;
  // A_ij = S_iᵀ I^C_j S_j for i an ancestor of j or j itself; zero for joints on other branches.
  T* A = s.factor;
  for (int i = 0; i < n * n; ++i) A[i] = T{};
  for (int j = 0; j < n; ++j) ApplyInertia(&s.composite[10 * j], &s.axis[6 * j], &s.alpha[6 * j]);
  if (IsChain(s)) {
    // Row j from column 0 to j in one pass over the columns, each entry Dot6's sum, then the
    // upper triangle mirrored.
    const T* axes = s.columns;
    for (std::ptrdiff_t j = 0; j < n; ++j) {
      const HeldSix<T> alpha(&s.alpha[6 * j]);
      T* __restrict__ row = A + j * n;
      ForColumnRuns<T>(0, j + 1, [&](auto run, std::ptrdiff_t i) {
        StoreRun(row + i, alpha.template Dot<decltype(run), false>(axes + i, n));
      });
    }
    for (std::ptrdiff_t i = 0; i < n; ++i) {
      for (std::ptrdiff_t j = i + 1; j < n; ++j) A[i * n + j] = A[j * n + i];
    }
  } else {
    for (int j = 0; j < n; ++j) {
      const T* alpha = &s.alpha[6 * j];
      for (int i = j; i >= 0; i = s.joints[i].parent) {
        const T a = Dot6(&s.axis[6 * i], alpha);
        A[i * n + j] = a;
        A[j * n + i] = a;
      }
    }
  }
  if (mass != nullptr) {
    for (int i = 0; i < n * n; ++i) mass[i] = A[i];
  }
  if (!FactorCholesky(A, n, s.inverse)) return false;
  T* rates = s.rates;
  for (int i = 0; i < n; ++i) rates[i] = p[i];
  SolveCholesky(A, n, rates);
  return true;
}

}  // namespace jacobian
}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
