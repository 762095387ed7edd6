// The eigenvalues of a symmetric 3 by 3 matrix, for the checks that an inertia is a body's.
#pragma once

#include <cmath>

namespace pendula {

// The eigenvalues of m (which it overwrites), by Jacobi rotations (a dozen sweeps take any
// such matrix to diagonal within rounding).
inline void SymmetricEigenvalues(double (&m)[3][3], double (&out)[3]) {
  for (int sweep = 0; sweep < 50; ++sweep) {
    const double off = m[0][1] * m[0][1] + m[0][2] * m[0][2] + m[1][2] * m[1][2];
    const double diagonal = m[0][0] * m[0][0] + m[1][1] * m[1][1] + m[2][2] * m[2][2];
    if (off <= 1e-32 * diagonal) break;
    for (int p = 0; p < 2; ++p) {
      for (int q = p + 1; q < 3; ++q) {
        if (m[p][q] == 0.0) continue;
        const double theta = (m[q][q] - m[p][p]) / (2.0 * m[p][q]);
        const double t =
            (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
        const double c = 1.0 / std::sqrt(t * t + 1), s = t * c;
        for (int k = 0; k < 3; ++k) {  // columns p, q
          const double mkp = m[k][p], mkq = m[k][q];
          m[k][p] = c * mkp - s * mkq;
          m[k][q] = s * mkp + c * mkq;
        }
        for (int k = 0; k < 3; ++k) {  // rows p, q
          const double mpk = m[p][k], mqk = m[q][k];
          m[p][k] = c * mpk - s * mqk;
          m[q][k] = s * mpk + c * mqk;
        }
      }
    }
  }
  for (int i = 0; i < 3; ++i) out[i] = m[i][i];
}

}  // namespace pendula
