#include "tests/peers/principal_axes.h"

#include <cmath>

namespace pendula {
namespace peers {
namespace {

void Multiply(const Matrix3& A, const Matrix3& B, Matrix3& C) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      C[i][j] = A[i][0] * B[0][j] + A[i][1] * B[1][j] + A[i][2] * B[2][j];
    }
  }
}

}  // namespace

void RotationFromRpy(const double (&rpy)[3], Matrix3& R) {
  const double cr = std::cos(rpy[0]), sr = std::sin(rpy[0]);
  const double cp = std::cos(rpy[1]), sp = std::sin(rpy[1]);
  const double cy = std::cos(rpy[2]), sy = std::sin(rpy[2]);
  const Matrix3 Rx = {{1, 0, 0}, {0, cr, -sr}, {0, sr, cr}};
  const Matrix3 Ry = {{cp, 0, sp}, {0, 1, 0}, {-sp, 0, cp}};
  const Matrix3 Rz = {{cy, -sy, 0}, {sy, cy, 0}, {0, 0, 1}};
  Matrix3 RzRy;
  Multiply(Rz, Ry, RzRy);
  Multiply(RzRy, Rx, R);
}

void RpyFromRotation(const Matrix3& R, double (&rpy)[3]) {
  rpy[0] = std::atan2(R[2][1], R[2][2]);
  rpy[1] = std::atan2(-R[2][0], std::hypot(R[0][0], R[1][0]));
  rpy[2] = std::atan2(R[1][0], R[0][0]);
}

void PrincipalAxes(const Matrix3& I, double (&moments)[3], Matrix3& E) {
  double A[3][3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      A[i][j] = I[i][j];
      E[i][j] = i == j ? 1.0 : 0.0;
    }
  }
  // Cyclic Jacobi: each rotation zeroes one off-diagonal element; a few sweeps leave them at
  // rounding, after which no rotation changes anything.
  for (int sweep = 0; sweep < 50; ++sweep) {
    const double off = std::fabs(A[0][1]) + std::fabs(A[0][2]) + std::fabs(A[1][2]);
    if (off == 0.0) break;
    for (int p = 0; p < 2; ++p) {
      for (int q = p + 1; q < 3; ++q) {
        if (A[p][q] == 0.0) continue;
        const double theta = (A[q][q] - A[p][p]) / (2.0 * A[p][q]);
        const double t = (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::hypot(theta, 1.0));
        const double c = 1.0 / std::hypot(t, 1.0), s = t * c;
        for (int k = 0; k < 3; ++k) {  // A <- A·J
          const double akp = A[k][p], akq = A[k][q];
          A[k][p] = c * akp - s * akq;
          A[k][q] = s * akp + c * akq;
        }
        for (int k = 0; k < 3; ++k) {  // A <- Jᵀ·A
          const double apk = A[p][k], aqk = A[q][k];
          A[p][k] = c * apk - s * aqk;
          A[q][k] = s * apk + c * aqk;
        }
        for (int k = 0; k < 3; ++k) {  // E <- E·J
          const double ekp = E[k][p], ekq = E[k][q];
          E[k][p] = c * ekp - s * ekq;
          E[k][q] = s * ekp + c * ekq;
        }
        A[p][q] = A[q][p] = 0.0;
      }
    }
  }
  for (int i = 0; i < 3; ++i) moments[i] = A[i][i];
}

void InPrincipalAxes(const double (&rpy)[3], const Matrix3& I, double (&principalRpy)[3],
                     double (&moments)[3]) {
  double lambda[3];
  Matrix3 E, R, RE;
  PrincipalAxes(I, lambda, E);
  RotationFromRpy(rpy, R);
  Multiply(R, E, RE);
  static const int orders[6][3] = {{0, 1, 2}, {1, 2, 0}, {2, 0, 1},
                                   {0, 2, 1}, {2, 1, 0}, {1, 0, 2}};
  double best = 2.0;
  for (int o = 0; o < 6; ++o) {
    for (int signs = 0; signs < 8; ++signs) {
      // Columns of RE reordered and flipped: a rotation when the flips and the order's parity
      // together keep the determinant +1.
      const double sign[3] = {signs & 1 ? -1.0 : 1.0, signs & 2 ? -1.0 : 1.0,
                              signs & 4 ? -1.0 : 1.0};
      const double parity = o < 3 ? 1.0 : -1.0;
      if (sign[0] * sign[1] * sign[2] * parity < 0) continue;
      Matrix3 F;
      for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) F[i][j] = sign[j] * RE[i][orders[o][j]];
      }
      if (std::fabs(F[2][0]) < best) {
        best = std::fabs(F[2][0]);
        RpyFromRotation(F, principalRpy);
        for (int j = 0; j < 3; ++j) moments[j] = lambda[orders[o][j]];
      }
    }
  }
}

}  // namespace peers
}  // namespace pendula
