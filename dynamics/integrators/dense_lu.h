// Dense LU factorisation with partial pivoting of an m x m matrix stored row by row, and the
// solve that uses it: P A = L U, then A x = b by forward and back substitution. O(m^3) to factor,
// O(m^2) to solve; no allocation (the caller owns the matrix and the pivots).
#pragma once

#include <cmath>
#include <utility>

namespace pendula {

// Factors a (m x m, row-major) in place into L (unit lower, below the diagonal) and U; pivot[i]
// is the row swapped with row i at step i. False when a pivot is zero or not finite: the matrix
// is singular to working precision and the factors are not to be used.
inline bool FactorLu(double* a, int* pivot, int m) {
  for (int k = 0; k < m; ++k) {
    int best = k;
    for (int i = k + 1; i < m; ++i) {
      if (std::fabs(a[i * m + k]) > std::fabs(a[best * m + k])) best = i;
    }
    pivot[k] = best;
    const double diagonal = a[best * m + k];
    if (!(std::isfinite(diagonal) && diagonal != 0.0)) return false;
    if (best != k) {
      for (int j = 0; j < m; ++j) std::swap(a[k * m + j], a[best * m + j]);
    }
    for (int i = k + 1; i < m; ++i) {
      const double factor = a[i * m + k] / diagonal;
      a[i * m + k] = factor;
      if (factor == 0.0) continue;
      for (int j = k + 1; j < m; ++j) a[i * m + j] = a[i * m + j] - factor * a[k * m + j];
    }
  }
  return true;
}

// Solves A x = b with the factors of FactorLu; b is overwritten by x.
inline void SolveLu(const double* lu, const int* pivot, double* b, int m) {
  for (int k = 0; k < m; ++k) {
    if (pivot[k] != k) std::swap(b[k], b[pivot[k]]);
  }
  for (int i = 1; i < m; ++i) {
    double sum = b[i];
    for (int j = 0; j < i; ++j) sum = sum - lu[i * m + j] * b[j];
    b[i] = sum;
  }
  for (int i = m - 1; i >= 0; --i) {
    double sum = b[i];
    for (int j = i + 1; j < m; ++j) sum = sum - lu[i * m + j] * b[j];
    b[i] = sum / lu[i * m + i];
  }
}

}  // namespace pendula
