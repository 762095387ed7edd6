// An independent model of the pendula chain for cross-checks: the planar 20-link pendulum written
// from its geometry with exact std::sin/std::cos, a dense joint-space mass matrix, a dense
// Cholesky solve and the Hamiltonian H(q, p) = 1/2 p^T A(q)^-1 p + V(q). It shares no code with
// dynamics/ and knows nothing of spatial vectors, articulated inertias or the sine table.
//
// Every link: mass 1, length 1, centre of mass at 0.5 along the link, inertia about the joint
// 0.33 (so 0.33 - 1·0.5^2 = 0.08 about the centre of mass); gravity 9.80665 along -y; all joint
// axes parallel to z; joint k turns link k relative to link k-1.
#pragma once

#include <array>
#include <cmath>

namespace pendula {
namespace reference {

constexpr int Links = 20;
constexpr double Mass = 1.0;
constexpr double Length = 1.0;
constexpr double CentreOfMass = 0.5;
constexpr double InertiaAboutCentre = 0.33 - Mass * CentreOfMass * CentreOfMass;  // 0.08
constexpr double Gravity = 9.80665;

using Vector = std::array<double, Links>;
using Matrix = std::array<Vector, Links>;

// Absolute link angles, joint positions (joint i at the start of link i) and centres of mass.
struct Geometry {
  Vector phi;
  Vector jointX, jointY;
  Vector centreX, centreY;
};

inline Geometry ChainGeometry(const Vector& q) {
  Geometry g{};
  double phi = 0.0, x = 0.0, y = 0.0;
  for (int i = 0; i < Links; ++i) {
    phi += q[i];
    g.phi[i] = phi;
    g.jointX[i] = x;
    g.jointY[i] = y;
    g.centreX[i] = x + CentreOfMass * std::cos(phi);
    g.centreY[i] = y + CentreOfMass * std::sin(phi);
    x += Length * std::cos(phi);
    y += Length * std::sin(phi);
  }
  return g;
}

// A(q)_ab = sum over links i >= max(a, b) of m (dc_i/dq_a)·(dc_i/dq_b) + I_c,
// with dc_i/dq_a = z x (c_i - joint_a).
inline Matrix MassMatrix(const Vector& q) {
  const Geometry g = ChainGeometry(q);
  Matrix A{};
  for (int a = 0; a < Links; ++a) {
    for (int b = 0; b < Links; ++b) {
      double sum = 0.0;
      for (int i = (a > b ? a : b); i < Links; ++i) {
        const double ax = -(g.centreY[i] - g.jointY[a]), ay = g.centreX[i] - g.jointX[a];
        const double bx = -(g.centreY[i] - g.jointY[b]), by = g.centreX[i] - g.jointX[b];
        sum += Mass * (ax * bx + ay * by) + InertiaAboutCentre;
      }
      A[a][b] = sum;
    }
  }
  return A;
}

// V(q) = sum of m g y_c over the links.
inline double PotentialEnergy(const Vector& q) {
  const Geometry g = ChainGeometry(q);
  double v = 0.0;
  for (int i = 0; i < Links; ++i) v += Mass * Gravity * g.centreY[i];
  return v;
}

// Cholesky factor L (A = L L^T); returns false when A is not positive definite.
inline bool Cholesky(const Matrix& A, Matrix& L) {
  L = Matrix{};
  for (int j = 0; j < Links; ++j) {
    double d = A[j][j];
    for (int k = 0; k < j; ++k) d -= L[j][k] * L[j][k];
    if (!(d > 0.0)) return false;
    L[j][j] = std::sqrt(d);
    for (int i = j + 1; i < Links; ++i) {
      double s = A[i][j];
      for (int k = 0; k < j; ++k) s -= L[i][k] * L[j][k];
      L[i][j] = s / L[j][j];
    }
  }
  return true;
}

// x = A^-1 b by the Cholesky factor.
inline Vector Solve(const Matrix& A, const Vector& b) {
  Matrix L;
  Cholesky(A, L);
  Vector y{}, x{};
  for (int i = 0; i < Links; ++i) {
    double s = b[i];
    for (int k = 0; k < i; ++k) s -= L[i][k] * y[k];
    y[i] = s / L[i][i];
  }
  for (int i = Links - 1; i >= 0; --i) {
    double s = y[i];
    for (int k = i + 1; k < Links; ++k) s -= L[k][i] * x[k];
    x[i] = s / L[i][i];
  }
  return x;
}

// H(q, p) = 1/2 p^T A(q)^-1 p + V(q).
inline double Hamiltonian(const Vector& q, const Vector& p) {
  const Vector qdot = Solve(MassMatrix(q), p);
  double kinetic = 0.0;
  for (int i = 0; i < Links; ++i) kinetic += 0.5 * p[i] * qdot[i];
  return kinetic + PotentialEnergy(q);
}

// -dH/dq by central differences of step h.
inline Vector NegativeHamiltonianGradient(const Vector& q, const Vector& p, double h) {
  Vector result{};
  for (int a = 0; a < Links; ++a) {
    Vector plus = q, minus = q;
    plus[a] += h;
    minus[a] -= h;
    result[a] = -(Hamiltonian(plus, p) - Hamiltonian(minus, p)) / (2.0 * h);
  }
  return result;
}

}  // namespace reference
}  // namespace pendula
