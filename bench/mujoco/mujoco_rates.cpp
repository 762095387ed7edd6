#include "bench/mujoco/mujoco_rates.h"

#include <vector>

#include "bench/derivative_along_motion.h"

namespace pendula {
namespace comparison {
namespace {

using Dense = std::vector<double>;

// MuJoCo's M(q), dense, at the given angles.
Dense MassMatrixAt(MuJoCoChain& chain, const double* angles) {
  const int n = MuJoCoLinkCount(chain);
  const Dense zero(n, 0.0);
  SetMuJoCoState(chain, angles, zero.data());
  mj_fwdPosition(chain.model, chain.data);
  Dense M(static_cast<std::size_t>(n) * n);
  MuJoCoMassMatrix(chain, M.data());
  return M;
}

void Multiply(const Dense& M, const double* x, int n, double* out) {
  for (int i = 0; i < n; ++i) {
    out[i] = 0.0;
    for (int j = 0; j < n; ++j) out[i] += M[static_cast<std::size_t>(n) * i + j] * x[j];
  }
}

}  // namespace

void MuJoCoMomenta(MuJoCoChain& chain, const double* angles, const double* jointRates,
                   double* momenta) {
  Multiply(MassMatrixAt(chain, angles), jointRates, MuJoCoLinkCount(chain), momenta);
}

void MuJoCoJointRates(MuJoCoChain& chain, const double* angles, const double* momenta,
                      double* jointRates) {
  MassMatrixAt(chain, angles);  // leaves MuJoCo's factorisation of M(q) in chain.data
  mj_solveM(chain.model, chain.data, jointRates, momenta, 1);
}

// The rate of change of p = M(q) q̇ along MuJoCo's motion from (q, q̇):
//
//   ṗ = M(q) q̈ + (dM/dt) q̇,   dM/dt = Σ_j ∂M/∂q_j q̇_j = d/dε M(q + ε q̇) at ε = 0.
//
// q̈ is MuJoCo's qacc, which solves M q̈ = τ − c(q, q̇) with c its qfrc_bias (gravity,
// Coriolis and centrifugal forces). The derivative of M along q̇ is a central difference of
// MuJoCo's M (bench/derivative_along_motion.h).
// This is the same ṗ that pendula forms as −∂H/∂q + τ: Lagrange's equations say
// d/dt(∂L/∂q̇) = ∂L/∂q + τ, with ∂L/∂q̇ = M q̇ = p and ∂L/∂q|q̇ = −∂H/∂q|p.
//
// Joint torques enter MuJoCo as pendula applies them: each joint's torque as the generalized
// force of its joint (qfrc_applied; the drive τ on joint 1 alone for the program's chain), and
// friction −b q̇_k as a moment about link k's joint axis on link k alone, which the recursion
// carries inward to every joint from k to the base.
void MuJoCoMomentumRates(MuJoCoChain& chain, const double* angles, const double* jointRates,
                         double friction, double drive, double* momentumRates) {
  std::vector<double> torques(MuJoCoLinkCount(chain), 0.0);
  torques[0] = drive;
  MuJoCoMomentumRates(chain, angles, jointRates, friction, torques.data(), momentumRates);
}

void MuJoCoMomentumRates(MuJoCoChain& chain, const double* angles, const double* jointRates,
                         double friction, const double* torques, double* momentumRates) {
  const int n = MuJoCoLinkCount(chain);
  const Dense Mdot = DerivativeAlongMotion(
      [&](const double* at) { return MassMatrixAt(chain, at); }, angles, jointRates, n);

  SetMuJoCoState(chain, angles, jointRates);
  // The joint axes in world coordinates at these angles, for friction's moments.
  mj_kinematics(chain.model, chain.data);
  for (int k = 0; k < n; ++k) {
    chain.data->qfrc_applied[k] = torques[k];
    for (int i = 0; i < 3; ++i) {
      chain.data->xfrc_applied[6 * (k + 1) + 3 + i] =
          -(friction * jointRates[k]) * chain.data->xaxis[3 * k + i];
    }
  }
  mj_forward(chain.model, chain.data);
  Dense M(Mdot.size());
  MuJoCoMassMatrix(chain, M.data());
  Dense Mqddot(n), MdotQdot(n);
  Multiply(M, chain.data->qacc, n, Mqddot.data());
  Multiply(Mdot, jointRates, n, MdotQdot.data());
  for (int k = 0; k < n; ++k) momentumRates[k] = Mqddot[k] + MdotQdot[k];
}

}  // namespace comparison
}  // namespace pendula
