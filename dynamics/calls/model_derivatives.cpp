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
    for (int i = 0; i < 3; ++i) J.shift[i] = C.shift[i];
    J.mass = C.mass;
    for (int i = 0; i < 3; ++i) J.centreOfMass[i] = C.centreOfMass[i];
    for (int i = 0; i < 6; ++i) J.inertia[i] = C.inertia[i];
    J.damping = C.damping;
  }
}

namespace {

// Torques of a tree that are not finite, named by row and joint as model.h's calls name them.
void RequireFiniteTreeTorques(const Model& model, const double* values, const char* name, int rows,
                              bool batch) {
  if (values == nullptr) return;
  const int n = model.jointCount();
  for (int row = 0; row < rows; ++row) {
    for (int i = 0; i < n; ++i) {
      const double x = values[static_cast<std::size_t>(row) * n + i];
      if (std::isfinite(x)) continue;
      const std::string& joint = model.description().joints[i].name;
      Refuse(std::string(name) + "[" + (batch ? std::to_string(row) + "][" : std::string()) +
             std::to_string(i) + "] (joint " + (joint.empty() ? std::to_string(i) : joint) +
             ") must be finite; got " + Number(x));
    }
  }
}

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
  RequireFiniteTreeTorques(model, torques, "torques", 1, false);
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
    RequireFiniteTreeTorques(model, torques.values, "torques", count, true);
  } else {
    RequireFiniteTreeTorques(model, torques.values, "torques", 1, false);
  }
  TreeStates(model, workspace, momenta, positions, count, out);
}

}  // namespace pendula
