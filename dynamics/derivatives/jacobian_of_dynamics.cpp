// The Jacobian of the momentum form at one state, in JacobianStorage: the arithmetic of
// jacobian_arithmetic.h on doubles (for the blocks, compiled for the widest registers the CPU
// has, jacobian_in_lanes.cpp), and the generalized friction the midpoint's solve adds.
#include <cmath>

#include "dynamics/derivatives/jacobian_lanes.h"
#include "dynamics/derivatives/jacobian_storage.h"
#include "dynamics/derivatives/momentum_form.h"
#include "dynamics/lanes/lane_widths.h"

namespace pendula {

JacobianStorage::JacobianStorage(int joints)
    : n(joints),
      joints(static_cast<std::size_t>(joints)),
      rotation(9 * static_cast<std::size_t>(joints)),
      origin(3 * static_cast<std::size_t>(joints)),
      axis(6 * static_cast<std::size_t>(joints)),
      parentVelocity(6 * static_cast<std::size_t>(joints)),
      velocity(6 * static_cast<std::size_t>(joints)),
      momentum(6 * static_cast<std::size_t>(joints)),
      wrench(6 * static_cast<std::size_t>(joints)),
      alpha(6 * static_cast<std::size_t>(joints)),
      u(6 * static_cast<std::size_t>(joints)),
      mu(6 * static_cast<std::size_t>(joints)),
      e(6 * static_cast<std::size_t>(joints)),
      rho(6 * static_cast<std::size_t>(joints)),
      body(10 * static_cast<std::size_t>(joints)),
      composite(10 * static_cast<std::size_t>(joints)),
      rates(static_cast<std::size_t>(joints)),
      columns(30 * static_cast<std::size_t>(joints)),
      vectors(3 * static_cast<std::size_t>(joints)) {
  const std::size_t squares = static_cast<std::size_t>(joints) * static_cast<std::size_t>(joints);
  factor.reset(new double[squares]);
  inverse.reset(new double[squares]);
  pq.reset(new double[squares]);
  gq.reset(new double[squares]);
  gv.reset(new double[squares]);
  mass.reset(new double[squares]);
}

void AddFrictionMatrix(const JacobianStorage& s, double friction, double* M, int stride,
                       double scale) {
  for (int d = 0; d < s.n; ++d) {
    const JacobianJoint& J = s.joints[static_cast<std::size_t>(d)];
    M[d * stride + d] += scale * J.damping;
    if (friction == 0.0 || !J.turns) continue;
    const double* zd = &s.axis[6 * static_cast<std::size_t>(d)];
    for (int a = d; a >= 0; a = s.joints[static_cast<std::size_t>(a)].parent) {
      if (!s.joints[static_cast<std::size_t>(a)].turns) continue;
      const double* za = &s.axis[6 * static_cast<std::size_t>(a)];
      M[a * stride + d] += scale * (friction * (za[0] * zd[0] + za[1] * zd[1] + za[2] * zd[2]));
    }
  }
}

void AddFrictionTimes(const JacobianStorage& s, double friction, const double* x, double* out,
                      double scale) {
  for (int d = 0; d < s.n; ++d) {
    const JacobianJoint& J = s.joints[static_cast<std::size_t>(d)];
    out[d] += scale * (J.damping * x[d]);
    if (friction == 0.0 || !J.turns) continue;
    const double* zd = &s.axis[6 * static_cast<std::size_t>(d)];
    for (int a = d; a >= 0; a = s.joints[static_cast<std::size_t>(a)].parent) {
      if (!s.joints[static_cast<std::size_t>(a)].turns) continue;
      const double* za = &s.axis[6 * static_cast<std::size_t>(a)];
      out[a] += scale * (friction * (za[0] * zd[0] + za[1] * zd[1] + za[2] * zd[2]) * x[d]);
    }
  }
}

bool MomentumFormDerivatives(JacobianStorage& s, const double (&gravity)[3], const SineTable* table,
                             double friction, const double* p, const double* q, bool keepMass) {
  return jacobian::MomentumForm(JacobianArraysOf(s), gravity, table, friction, p, q,
                                keepMass ? s.mass.get() : nullptr);
}

void JacobianOfDynamics(JacobianStorage& s, const double (&gravity)[3], const SineTable* table,
                        double friction, const double* p, const double* q,
                        const JacobianBlocks& out) {
  if (JacobianOfStateFor(WidestLaneWidth(), s, gravity, table, friction, p, q, out)) return;
  // Not a state of the model (a mass matrix that is not positive definite arises only from
  // values that are not finite): NaN throughout, as the evaluation gives.
  const int n = s.n;
  const double nan = std::nan("");
  for (int r = 0; r < n; ++r) {
    for (int c = 0; c < n; ++c) {
      out.dpdotDp[r * out.stride + c] = nan;
      out.dpdotDq[r * out.stride + c] = nan;
      out.dqdotDp[r * out.stride + c] = nan;
      out.dqdotDq[r * out.stride + c] = nan;
    }
  }
}

}  // namespace pendula
