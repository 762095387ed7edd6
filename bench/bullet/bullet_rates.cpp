#include "bench/bullet/bullet_rates.h"

#include <cmath>
#include <utility>
#include <vector>

#include "bench/derivative_along_motion.h"

namespace pendula {
namespace comparison {
namespace {

using Dense = std::vector<double>;

// Bullet's W(q) = M(q)^-1, dense, at the given angles.
Dense InverseMassMatrixAt(BulletChain& chain, const double* angles) {
  const int n = BulletLinkCount(chain);
  const Dense zero(n, 0.0);
  SetBulletState(chain, angles, zero.data());
  Dense W(static_cast<std::size_t>(n) * n);
  BulletInverseMassMatrix(chain, W.data());
  return W;
}

// x = A^-1 b for a dense n by n matrix A, by Gaussian elimination with partial pivoting.
Dense Solve(Dense A, Dense b) {
  const std::size_t n = b.size();
  for (std::size_t j = 0; j < n; ++j) {
    std::size_t pivot = j;
    for (std::size_t i = j + 1; i < n; ++i) {
      if (std::fabs(A[n * i + j]) > std::fabs(A[n * pivot + j])) pivot = i;
    }
    for (std::size_t k = 0; k < n; ++k) std::swap(A[n * j + k], A[n * pivot + k]);
    std::swap(b[j], b[pivot]);
    for (std::size_t i = j + 1; i < n; ++i) {
      const double factor = A[n * i + j] / A[n * j + j];
      for (std::size_t k = j; k < n; ++k) A[n * i + k] -= factor * A[n * j + k];
      b[i] -= factor * b[j];
    }
  }
  Dense x(n);
  for (std::size_t i = n; i-- > 0;) {
    double s = b[i];
    for (std::size_t k = i + 1; k < n; ++k) s -= A[n * i + k] * x[k];
    x[i] = s / A[n * i + i];
  }
  return x;
}

Dense Multiply(const Dense& A, const double* x, int n) {
  Dense y(n, 0.0);
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) y[i] += A[static_cast<std::size_t>(n) * i + j] * x[j];
  }
  return y;
}

}  // namespace

void BulletMomenta(BulletChain& chain, const double* angles, const double* jointRates,
                   double* momenta) {
  const int n = BulletLinkCount(chain);
  const Dense p = Solve(InverseMassMatrixAt(chain, angles), Dense(jointRates, jointRates + n));
  for (int k = 0; k < n; ++k) momenta[k] = p[k];
}

void BulletJointRates(BulletChain& chain, const double* angles, const double* momenta,
                      double* jointRates) {
  const int n = BulletLinkCount(chain);
  const Dense qdot = Multiply(InverseMassMatrixAt(chain, angles), momenta, n);
  for (int k = 0; k < n; ++k) jointRates[k] = qdot[k];
}

// The rate of change of p = M(q) q̇ along Bullet's motion from (q, q̇):
//
//   ṗ = M q̈ + Ṁ q̇ = M (q̈ − Ẇ p),   p = M q̇,
//
// since M W = 1 gives Ṁ = −M Ẇ M, so Ṁ q̇ = −M Ẇ p. q̈ is Bullet's forward dynamics under the
// weights and the joint torques; Ẇ is a central difference of Bullet's W, as MuJoCo's Ṁ is
// taken (bench/derivative_along_motion.h).
// Working with W, which Bullet gives directly, keeps the two solves with W (for p and for ṗ)
// out of the difference, where their rounding, magnified by the condition of M, would be
// divided by the difference's step.
//
// Joint torques enter Bullet as pendula applies them: each joint's torque as a joint torque
// (the drive τ on joint 1 alone for the program's chain; its reaction goes to the fixed base),
// and friction −b q̇_k as a moment about link k's joint axis on link k alone.
void BulletMomentumRates(BulletChain& chain, const double* angles, const double* jointRates,
                         double friction, double drive, double* momentumRates) {
  std::vector<double> torques(BulletLinkCount(chain), 0.0);
  torques[0] = drive;
  BulletMomentumRates(chain, angles, jointRates, friction, torques.data(), momentumRates);
}

void BulletMomentumRates(BulletChain& chain, const double* angles, const double* jointRates,
                         double friction, const double* torques, double* momentumRates) {
  const int n = BulletLinkCount(chain);
  const Dense Wdot = DerivativeAlongMotion(
      [&](const double* at) { return InverseMassMatrixAt(chain, at); }, angles, jointRates, n);
  const Dense W = InverseMassMatrixAt(chain, angles);
  const Dense p = Solve(W, Dense(jointRates, jointRates + n));
  SetBulletState(chain, angles, jointRates);
  btMultiBody& body = *chain.body;
  for (int k = 0; k < n; ++k) {
    body.addJointTorque(k, torques[k]);
    // The joint axis in world coordinates, from the link turns that setJointPos cached.
    const btVector3 axis = body.localDirToWorld(k, body.getLink(k).getAxisTop(0));
    body.addLinkTorque(k, axis * -(friction * jointRates[k]));
  }
  Dense acceleration(n);
  BulletJointAccelerations(chain, acceleration.data());
  const Dense WdotP = Multiply(Wdot, p.data(), n);
  Dense rhs(n);
  for (int k = 0; k < n; ++k) rhs[k] = acceleration[k] - WdotP[k];
  const Dense pdot = Solve(W, rhs);
  for (int k = 0; k < n; ++k) momentumRates[k] = pdot[k];
}

}  // namespace comparison
}  // namespace pendula
