// An independent model of the pendula chain of any length n, for cross-checks: the planar
// pendulum written from its geometry with exact std::sin/std::cos, a dense joint-space mass
// matrix, a dense Cholesky solve, the Hamiltonian H(q, p) = 1/2 p^T A(q)^-1 p + V(q) and the
// momentum rates from Lagrange's equations in closed form. It shares no code with dynamics/ or
// with the engines it is compared with, and knows nothing of spatial vectors, articulated
// inertias or the sine table.
//
// Every link: mass 1, length 1, centre of mass at 0.5 along the link, inertia about the joint
// 0.33 (so 0.33 - 1·0.5^2 = 0.08 about the centre of mass); gravity 9.80665 along -y; all joint
// axes parallel to z; joint k turns link k relative to link k-1. Joint k is element k-1.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace pendula {
namespace reference {

constexpr double Mass = 1.0;
constexpr double Length = 1.0;
constexpr double CentreOfMass = 0.5;
constexpr double InertiaAboutCentre = 0.33 - Mass * CentreOfMass * CentreOfMass;  // 0.08
constexpr double Gravity = 9.80665;

using Joints = std::vector<double>;
using DenseMatrix = std::vector<Joints>;

// Absolute link angles φ_i = q_1 + … + q_i, joint positions j_i (joint i at the start of link i)
// and centres of mass c_i.
struct Geometry {
  Joints phi, jointX, jointY, centreX, centreY;
};

inline Geometry ChainGeometry(const Joints& q) {
  const std::size_t n = q.size();
  Geometry g{Joints(n), Joints(n), Joints(n), Joints(n), Joints(n)};
  double phi = 0.0, x = 0.0, y = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
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
// with dc_i/dq_a = z x (c_i - j_a).
inline DenseMatrix MassMatrix(const Joints& q) {
  const std::size_t n = q.size();
  const Geometry g = ChainGeometry(q);
  DenseMatrix A(n, Joints(n));
  for (std::size_t a = 0; a < n; ++a) {
    for (std::size_t b = 0; b < n; ++b) {
      double sum = 0.0;
      for (std::size_t i = (a > b ? a : b); i < n; ++i) {
        const double ax = -(g.centreY[i] - g.jointY[a]), ay = g.centreX[i] - g.jointX[a];
        const double bx = -(g.centreY[i] - g.jointY[b]), by = g.centreX[i] - g.jointX[b];
        sum += Mass * (ax * bx + ay * by) + InertiaAboutCentre;
      }
      A[a][b] = sum;
    }
  }
  return A;
}

inline Joints Multiply(const DenseMatrix& A, const Joints& x) {
  Joints y(x.size(), 0.0);
  for (std::size_t i = 0; i < x.size(); ++i) {
    for (std::size_t j = 0; j < x.size(); ++j) y[i] += A[i][j] * x[j];
  }
  return y;
}

// V(q) = sum of m g y_c over the links.
inline double PotentialEnergy(const Joints& q) {
  const Geometry g = ChainGeometry(q);
  double v = 0.0;
  for (double y : g.centreY) v += Mass * Gravity * y;
  return v;
}

// Cholesky factor L (A = L L^T); returns false when A is not positive definite.
inline bool Cholesky(const DenseMatrix& A, DenseMatrix& L) {
  const std::size_t n = A.size();
  L.assign(n, Joints(n, 0.0));
  for (std::size_t j = 0; j < n; ++j) {
    double d = A[j][j];
    for (std::size_t k = 0; k < j; ++k) d -= L[j][k] * L[j][k];
    if (!(d > 0.0)) return false;
    L[j][j] = std::sqrt(d);
    for (std::size_t i = j + 1; i < n; ++i) {
      double s = A[i][j];
      for (std::size_t k = 0; k < j; ++k) s -= L[i][k] * L[j][k];
      L[i][j] = s / L[j][j];
    }
  }
  return true;
}

// x = A^-1 b by the Cholesky factor.
inline Joints Solve(const DenseMatrix& A, const Joints& b) {
  const std::size_t n = b.size();
  DenseMatrix L;
  Cholesky(A, L);
  Joints y(n, 0.0), x(n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    double s = b[i];
    for (std::size_t k = 0; k < i; ++k) s -= L[i][k] * y[k];
    y[i] = s / L[i][i];
  }
  for (std::size_t i = n; i-- > 0;) {
    double s = y[i];
    for (std::size_t k = i + 1; k < n; ++k) s -= L[k][i] * x[k];
    x[i] = s / L[i][i];
  }
  return x;
}

// H(q, p) = 1/2 p^T A(q)^-1 p + V(q).
inline double Hamiltonian(const Joints& q, const Joints& p) {
  const Joints qdot = Solve(MassMatrix(q), p);
  double kinetic = 0.0;
  for (std::size_t i = 0; i < q.size(); ++i) kinetic += 0.5 * p[i] * qdot[i];
  return kinetic + PotentialEnergy(q);
}

// -dH/dq by central differences of step h.
inline Joints NegativeHamiltonianGradient(const Joints& q, const Joints& p, double h) {
  Joints result(q.size());
  for (std::size_t a = 0; a < q.size(); ++a) {
    Joints plus = q, minus = q;
    plus[a] += h;
    minus[a] -= h;
    result[a] = -(Hamiltonian(plus, p) - Hamiltonian(minus, p)) / (2.0 * h);
  }
  return result;
}

// ṗ at angles q and joint rates q̇, in closed form, with viscous friction b and the drive τ as
// pendula applies them. Lagrange's equations give ṗ = d/dt(∂L/∂q̇) = ∂L/∂q + Q, and at fixed q̇
// ∂L/∂q equals -∂H/∂q at fixed p. With v_i the velocity of c_i,
//
//   v_i = Σ_{b<=i} q̇_b z × (c_i - j_b),
//   ∂v_i/∂q_a = -Σ_{b<=i} q̇_b (c_i - j_max(a,b))   for i >= a (zero for i < a),
//
// since turning joint a swings c_i, and j_b when b > a, about j_a in the plane, and
// z × (z × d) = -d. The rotational energy depends on the rates alone, so
//
//   ∂L/∂q_a = Σ_{i>=a} m v_i·∂v_i/∂q_a - m g Σ_{i>=a} (c_i - j_a)_x.
//
// Q: the drive τ on joint 1 alone, and friction as a moment -b q̇_k on link k alone, which does
// the work of every joint a <= k, so Q_a = τ [a = 1] - b Σ_{k>=a} q̇_k.
inline Joints MomentumRates(const Joints& q, const Joints& qdot, double friction, double drive) {
  const std::size_t n = q.size();
  const Geometry g = ChainGeometry(q);
  Joints vx(n, 0.0), vy(n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t b = 0; b <= i; ++b) {
      vx[i] -= qdot[b] * (g.centreY[i] - g.jointY[b]);
      vy[i] += qdot[b] * (g.centreX[i] - g.jointX[b]);
    }
  }
  Joints rates(n, 0.0);
  for (std::size_t a = 0; a < n; ++a) {
    double kinetic = 0.0, potential = 0.0, frictionTorque = 0.0;
    for (std::size_t i = a; i < n; ++i) {
      double dvx = 0.0, dvy = 0.0;
      for (std::size_t b = 0; b <= i; ++b) {
        const std::size_t pivot = a > b ? a : b;
        dvx -= qdot[b] * (g.centreX[i] - g.jointX[pivot]);
        dvy -= qdot[b] * (g.centreY[i] - g.jointY[pivot]);
      }
      kinetic += Mass * (vx[i] * dvx + vy[i] * dvy);
      potential += Mass * Gravity * (g.centreX[i] - g.jointX[a]);
      frictionTorque -= friction * qdot[i];
    }
    rates[a] = kinetic - potential + frictionTorque + (a == 0 ? drive : 0.0);
  }
  return rates;
}

}  // namespace reference
}  // namespace pendula
