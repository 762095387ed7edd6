// The chain calls of derivatives.h and the checks that the tree's share with them, then the
// Jacobian's recursions in the workspace's storage.
#include "dynamics/calls/derivative_calls.h"

#include <cmath>
#include <string>

#include "dynamics/calls/chain_calls.h"
#include "dynamics/derivatives/jacobian_lanes.h"
#include "dynamics/lanes/lane_widths.h"

namespace pendula {

DerivativesWorkspace::DerivativesWorkspace(const Chain& chain)
    : storage_(new Storage(chain.linkCount())) {}
DerivativesWorkspace::~DerivativesWorkspace() = default;
DerivativesWorkspace::DerivativesWorkspace(DerivativesWorkspace&&) noexcept = default;
DerivativesWorkspace& DerivativesWorkspace::operator=(DerivativesWorkspace&&) noexcept = default;

DerivativesWorkspace::Storage::Storage(int joints)
    : jacobian(joints),
      laneWidth(joints <= MostJacobianLaneJoints ? WidestLaneWidth() : 0),
      lanes(laneWidth == 0 ? nullptr : MakeAlignedBlock(JacobianLaneBytes(laneWidth, joints))) {}

void BindJoints(const ChainModel& chain, JacobianStorage& storage) {
  for (int k = 0; k < storage.n; ++k) {
    const LinkParameters& L = chain.links[k];
    JacobianJoint& J = storage.joints[static_cast<std::size_t>(k)];
    J.parent = k - 1;
    J.turns = true;
    J.sinAlpha = L.sinAlpha;
    J.cosAlpha = L.cosAlpha;
    J.sinGamma = 0.0;
    J.cosGamma = 1.0;
    J.sinDelta = 0.0;
    J.cosDelta = 1.0;
    J.spun = false;
    J.shift[0] = L.a;
    J.shift[1] = 0.0;
    J.shift[2] = -L.d;
    J.mass = L.mass;
    for (int i = 0; i < 3; ++i) J.centreOfMass[i] = L.centreOfMass[i];
    for (int i = 0; i < 6; ++i) J.inertia[i] = L.inertia[i];
    J.damping = 0.0;
  }
}

JacobianStorage& JacobianStorageFor(int joints, DerivativesWorkspace& workspace) {
  JacobianStorage& storage = DerivativesAccess::StorageOf(workspace).jacobian;
  if (storage.n != joints) {
    Refuse("the workspace was made for " + std::to_string(storage.n) +
           " joints, not for this model of " + std::to_string(joints) + " joints");
  }
  return storage;
}

void RequireJacobianOutput(const DynamicsJacobian& out) {
  RequireArray(out.dpdotDp, "dpdotDp");
  RequireArray(out.dpdotDq, "dpdotDq");
  RequireArray(out.dqdotDp, "dqdotDp");
  RequireArray(out.dqdotDq, "dqdotDq");
}

DynamicsJacobian JacobianBlocksOf(const DynamicsJacobian& out, int n, int i) {
  const std::size_t at = static_cast<std::size_t>(i) * n * n;
  return DynamicsJacobian{out.dpdotDp + at, out.dpdotDq + at, out.dqdotDp + at, out.dqdotDq + at};
}

JacobianBlocks BlocksWithStride(const DynamicsJacobian& out, int n) {
  return JacobianBlocks{out.dpdotDp, out.dpdotDq, out.dqdotDp, out.dqdotDq, n};
}

void JacobianOfStates(DerivativesWorkspace::Storage& storage, const double (&gravity)[3],
                      const SineTable* table, double friction, const double* p, const double* q,
                      int count, const DynamicsJacobian& out) {
  JacobianStorage& s = storage.jacobian;
  const int n = s.n;
  if (count > 1 && storage.lanes != nullptr) {
    JacobianOfStatesInLanes(storage.laneWidth, s, storage.lanes.get(), gravity, table, friction, p,
                            q, count, BlocksWithStride(out, n));
    return;
  }
  for (int i = 0; i < count; ++i) {
    const std::size_t row = static_cast<std::size_t>(i) * n;
    JacobianOfDynamics(s, gravity, table, friction, p + row, q + row,
                       BlocksWithStride(JacobianBlocksOf(out, n, i), n));
  }
}

namespace {

void ChainStates(const Chain& chain, DerivativesWorkspace& workspace, const double* p,
                 const double* q, int count, const DynamicsJacobian& out, double friction) {
  const ChainModel& model = ChainAccess::ModelOf(chain).chain;
  DerivativesWorkspace::Storage& storage = DerivativesAccess::StorageOf(workspace);
  BindJoints(model, storage.jacobian);
  const double gravity[3] = {model.gravity[0], model.gravity[1], model.gravity[2]};
  JacobianOfStates(storage, gravity, model.sineTable, friction, p, q, count, out);
}

}  // namespace

void Derivatives(const Chain& chain, DerivativesWorkspace& workspace, const double* momenta,
                 const double* angles, const DynamicsJacobian& out, double friction,
                 const double* torques) {
  JacobianStorageFor(chain.linkCount(), workspace);
  RequireArray(momenta, "momenta");
  RequireArray(angles, "angles");
  RequireJacobianOutput(out);
  RequireFriction(friction);
  RequireFiniteTorques(torques, chain.linkCount());
  ChainStates(chain, workspace, momenta, angles, 1, out, friction);
}

void DerivativesOfStates(const Chain& chain, DerivativesWorkspace& workspace, const double* momenta,
                         const double* angles, int count, const DynamicsJacobian& out,
                         double friction, JointTorques torques) {
  JacobianStorageFor(chain.linkCount(), workspace);
  if (count < 0) Refuse("the state count must be >= 0; got " + std::to_string(count));
  RequireArray(momenta, "momenta");
  RequireArray(angles, "angles");
  RequireJacobianOutput(out);
  RequireFriction(friction);
  RequireFiniteTorques(torques, chain.linkCount(), count);
  ChainStates(chain, workspace, momenta, angles, count, out, friction);
}

}  // namespace pendula
