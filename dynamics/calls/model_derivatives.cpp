// The tree calls of derivatives.h: their argument checks, then the Jacobian's recursions in the
// workspace's storage.
#include <cmath>
#include <string>

#include "dynamics/calls/chain_calls.h"
#include "dynamics/calls/derivative_calls.h"
#include "dynamics/tree/tree_model.h"

namespace pendula {

DerivativesWorkspace::DerivativesWorkspace(const Model& model)
    : storage_(new Storage(model.jointCount())) {}

void BindJoints(const Model::Data& tree, JacobianStorage& storage) {
  for (int k = 0; k < storage.n; ++k) {
    const JointConstants& C = tree.joints[static_cast<std::size_t>(k)];
    JacobianJoint& J = storage.joints[static_cast<std::size_t>(k)];
    J.parent = C.parent;
    J.turns = C.turns;
    J.sinAlpha = C.sinAlpha;
    J.cosAlpha = C.cosAlpha;
    J.sinGamma = C.sinGamma;
    J.cosGamma = C.cosGamma;
    J.sinDelta = C.sinDelta;
    J.cosDelta = C.cosDelta;
    J.spun = C.spun;
    for (int i = 0; i < 3; ++i) J.shift[i] = C.shift[i];
    J.mass = C.mass;
    for (int i = 0; i < 3; ++i) J.centreOfMass[i] = C.centreOfMass[i];
    for (int i = 0; i < 6; ++i) J.inertia[i] = C.inertia[i];
    J.damping = C.damping;
  }
}

namespace {

void TreeStates(const Model& model, DerivativesWorkspace& workspace, const double* p,
                const double* q, int count, const DynamicsJacobian& out) {
  const Model::Data& data = ModelAccess::DataOf(model);
  DerivativesWorkspace::Storage& storage = DerivativesAccess::StorageOf(workspace);
  BindJoints(data, storage.jacobian);
  JacobianOfStates(storage, data.gravity, data.sineTable, 0.0, p, q, count, out);
}

}  // namespace

void Derivatives(const Model& model, DerivativesWorkspace& workspace, const double* momenta,
                 const double* positions, const DynamicsJacobian& out, const double* torques) {
  JacobianStorageFor(model.jointCount(), workspace);
  RequireArray(momenta, "momenta");
  RequireArray(positions, "positions");
  RequireJacobianOutput(out);
  RequireFiniteJoints(model, torques, "torques", 1, false);
  TreeStates(model, workspace, momenta, positions, 1, out);
}

void DerivativesOfStates(const Model& model, DerivativesWorkspace& workspace, const double* momenta,
                         const double* positions, int count, const DynamicsJacobian& out,
                         JointTorques torques) {
  JacobianStorageFor(model.jointCount(), workspace);
  if (count < 0) Refuse("the state count must be >= 0; got " + std::to_string(count));
  RequireArray(momenta, "momenta");
  RequireArray(positions, "positions");
  RequireJacobianOutput(out);
  if (torques.perChain) {
    RequireFiniteJoints(model, torques.values, "torques", count, true);
  } else {
    RequireFiniteJoints(model, torques.values, "torques", 1, false);
  }
  TreeStates(model, workspace, momenta, positions, count, out);
}

}  // namespace pendula
