// The Newton solve of the implicit midpoint rule on the exact derivatives of the momentum form,
// reduced from 2n to n unknowns. With a = h/2, Df = [[∂ṗ/∂p, ∂ṗ/∂q], [A^-1, -A^-1 P]] and
// ∂ṗ/∂p = (Pᵀ - F) A^-1, ∂ṗ/∂q = G - (Pᵀ - F) A^-1 P (derivatives.h), the system
// (1 - a·Df)·(dp, dq) = (r1, r2) has its second row A dq - a dp + a P dq = A r2, and putting
// dp from it into the first leaves, with every A^-1 cancelled,
//   M dq = a r1 + A r2 - a (Pᵀ - F) r2,   M = A + a (P - Pᵀ + F) - a² G,
//   dp = (A (dq - r2) + a P dq) / a:
// one dense LU of n by n (n³/3 multiplications, an eighth of the (2n)³/3 of the whole system's)
// and no inverse of A.
#pragma once

#include "dynamics/derivatives/jacobian_storage.h"
#include "dynamics/integrators/dense_lu.h"

namespace pendula {

struct ExactMidpointNewton {
  JacobianStorage& s;
  const double (&gravity)[3];
  const SineTable* table;
  double friction;
  double a = 0.0;

  // M at x = (p, q) for the half step a, factored into M (n by n) and pivot; false for a state
  // whose mass matrix is not positive definite or an M that is singular.
  bool Factor(const double* x, double halfStep, double* M, int* pivot) {
    const int n = s.n;
    a = halfStep;
    if (!MomentumFormDerivatives(s, gravity, table, friction, x, x + n, true)) return false;
    const double* A = s.mass.get();
    const double* P = s.pq.get();
    const double* G = s.gq.get();
    const double aa = a * a;
    for (int r = 0; r < n; ++r) {
      for (int c = 0; c < n; ++c) {
        M[r * n + c] = A[r * n + c] + a * (P[r * n + c] - P[c * n + r]) - aa * G[r * n + c];
      }
    }
    AddFrictionMatrix(s, friction, M, n, a);
    return FactorLu(M, pivot, n);
  }

  // step = (r1, r2) in, the Newton step (dp, dq) out, from the factors of the last Factor.
  void Solve(double* step, const double* M, const int* pivot) {
    const int n = s.n;
    const double* A = s.mass.get();
    const double* P = s.pq.get();
    const double* r1 = step;
    const double* r2 = step + n;
    double* dq = s.vectors.data();
    double* dp = dq + n;
    for (int i = 0; i < n; ++i) {
      double Ar2 = 0.0, Ptr2 = 0.0;
      for (int k = 0; k < n; ++k) Ar2 += A[i * n + k] * r2[k], Ptr2 += P[k * n + i] * r2[k];
      dq[i] = a * r1[i] + Ar2 - a * Ptr2;
    }
    AddFrictionTimes(s, friction, r2, dq, a);
    SolveLu(M, pivot, dq, n);
    double* moved = dp + n;
    for (int k = 0; k < n; ++k) moved[k] = dq[k] - r2[k];
    for (int i = 0; i < n; ++i) {
      double Am = 0.0, Pdq = 0.0;
      for (int k = 0; k < n; ++k) Am += A[i * n + k] * moved[k], Pdq += P[i * n + k] * dq[k];
      dp[i] = (Am + a * Pdq) / a;
    }
    for (int i = 0; i < n; ++i) step[i] = dp[i], step[n + i] = dq[i];
  }
};

}  // namespace pendula
