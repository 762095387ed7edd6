// The calls of model.h: their argument checks, then the recursions and the integrators over them
// in the workspace's storage.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "dynamics/calls/chain_calls.h"
#include "dynamics/calls/derivative_calls.h"
#include "dynamics/integrators/exact_midpoint_newton.h"
#include "dynamics/integrators/heun_rule.h"
#include "dynamics/integrators/rk4_step.h"
#include "dynamics/tree/tree_lanes.h"
#include "dynamics/tree/tree_recursions.h"

namespace pendula {
namespace {

ModelWorkspace::Storage& StorageFor(const Model& model, ModelWorkspace& workspace) {
  ModelWorkspace::Storage& storage = ModelAccess::StorageOf(workspace);
  if (storage.n != model.jointCount()) {
    Refuse("the workspace was made for a model of " + std::to_string(storage.n) +
           " joints, not for this model of " + std::to_string(model.jointCount()) + " joints");
  }
  return storage;
}

// The planar chain a model is and the chain's workspace, or null for the tree's recursion (a
// workspace made for another model of as many joints may have no chain's).
ChainWorkspace* PlanarChainWorkspace(const Model::Data& model, ModelWorkspace::Storage& w) {
  return model.chain && w.chain ? &*w.chain : nullptr;
}

// One step of one state, arguments checked.
StepStatus StepOne(const Model::Data& model, ModelWorkspace::Storage& w, double* p, double* q,
                   double h, StepMethod method, const double* torques,
                   const NewtonSettings& newton) {
  if (ChainWorkspace* chain = PlanarChainWorkspace(model, w)) {
    return Step(*model.chain, *chain, p, q, h, method, 0.0, torques, newton);
  }
  const int n = w.n;
  auto f = [&](const double* pAt, const double* qAt, double* pdot, double* qdot) {
    TreeForwardDynamics(model, w, pAt, qAt, torques, pdot, qdot);
  };
  double* buffers[6];
  for (int k = 0; k < 6; ++k) buffers[k] = w.step.data() + static_cast<std::size_t>(k) * n;
  StepStatus status;
  switch (method) {
    case StepMethod::Heun:
      HeunRuleStep(f, n, h, p, q,
                   HeunStorage<double>{buffers[0], buffers[1], buffers[2], buffers[3], buffers[4],
                                       buffers[5]});
      status.evaluations = 2;
      break;
    case StepMethod::Rk4:
      Rk4Step(f, n, h, p, q,
              Rk4Storage<double>{buffers[0], buffers[1], buffers[2], buffers[3], buffers[4],
                                 buffers[5]});
      status.evaluations = 4;
      break;
    case StepMethod::Midpoint: {
      // The Newton solve on the exact derivatives of the dynamics.
      BindJoints(model, w.derivatives);
      ExactMidpointNewton df{w.derivatives, model.gravity, model.sineTable, 0.0};
      status = StatusOf(ImplicitMidpointStep(f, df, h, p, q, w.midpoint, MidpointSettings(newton)));
      break;
    }
  }
  return status;
}

}  // namespace

// Values that are not finite would spread NaN through every joint of the state (torques), or
// send an iteration on until its limit (the states of Midpoint and Integrate): refused, naming
// the joint, and the row of a batch.
void RequireFiniteJoints(const Model& model, const double* values, const char* name, int rows,
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

void MomentumInitialisation(const Model& model, ModelWorkspace& workspace, double* momenta,
                            const double* positions, const double* rates) {
  ModelWorkspace::Storage& w = StorageFor(model, workspace);
  RequireArray(momenta, "momenta");
  RequireArray(positions, "positions");
  RequireArray(rates, "rates");
  const Model::Data& data = ModelAccess::DataOf(model);
  if (ChainWorkspace* chain = PlanarChainWorkspace(data, w)) {
    return MomentumInitialisation(*data.chain, *chain, momenta, positions, rates);
  }
  TreeMomenta(data, w, positions, rates, momenta);
}

void ForwardDynamics(const Model& model, ModelWorkspace& workspace, const double* momenta,
                     const double* positions, double* momentumRates, double* rates,
                     const double* torques) {
  ModelWorkspace::Storage& w = StorageFor(model, workspace);
  RequireArray(momenta, "momenta");
  RequireArray(positions, "positions");
  RequireArray(momentumRates, "momentumRates");
  RequireArray(rates, "rates");
  RequireFiniteJoints(model, torques, "torques");
  const Model::Data& data = ModelAccess::DataOf(model);
  if (ChainWorkspace* chain = PlanarChainWorkspace(data, w)) {
    return ForwardDynamicsChecked(*data.chain, ChainAccess::StorageOf(*chain), momenta, positions,
                                  momentumRates, rates, 0.0, torques);
  }
  TreeForwardDynamics(data, w, momenta, positions, torques, momentumRates, rates);
}

void MassMatrix(const Model& model, ModelWorkspace& workspace, const double* positions,
                double* matrix) {
  ModelWorkspace::Storage& w = StorageFor(model, workspace);
  RequireArray(positions, "positions");
  RequireArray(matrix, "matrix");
  TreeMassMatrix(ModelAccess::DataOf(model), w, positions, matrix);
}

StepStatus Step(const Model& model, ModelWorkspace& workspace, double* momenta, double* positions,
                double h, StepMethod method, const double* torques, const NewtonSettings& newton) {
  ModelWorkspace::Storage& w = StorageFor(model, workspace);
  RequireArray(momenta, "momenta");
  RequireArray(positions, "positions");
  RequireStepSize(h);
  RequireMethod(method);
  RequireFiniteJoints(model, torques, "torques");
  if (method == StepMethod::Midpoint) {
    RequireNewton(newton);
    RequireFiniteJoints(model, momenta, "momenta");
    RequireFiniteJoints(model, positions, "positions");
  }
  return StepOne(ModelAccess::DataOf(model), w, momenta, positions, h, method, torques, newton);
}

void RequireStateBatch(const Model& model, const double* momenta, const double* positions,
                       int count, double h, StepMethod method, JointTorques torques,
                       const NewtonSettings& newton) {
  if (count < 0) Refuse("count must be >= 0; got " + std::to_string(count));
  RequireStepSize(h);
  RequireMethod(method);
  if (method == StepMethod::Midpoint) RequireNewton(newton);
  if (count == 0) return;
  RequireArray(momenta, "momenta");
  RequireArray(positions, "positions");
  const auto bytes = static_cast<std::uintptr_t>(count) * model.jointCount() * sizeof(double);
  const auto pBegin = reinterpret_cast<std::uintptr_t>(momenta);
  const auto qBegin = reinterpret_cast<std::uintptr_t>(positions);
  if (pBegin < qBegin + bytes && qBegin < pBegin + bytes) {
    Refuse("momenta and positions must not overlap");
  }
  RequireFiniteJoints(model, torques.values, "torques", torques.perChain ? count : 1,
                      torques.perChain);
  if (method == StepMethod::Midpoint) {
    RequireFiniteJoints(model, momenta, "momenta", count, true);
    RequireFiniteJoints(model, positions, "positions", count, true);
  }
}

BatchStepStatus StepCheckedStates(const Model& model, ModelWorkspace::Storage& w, double* momenta,
                                  double* positions, int count, double h, StepMethod method,
                                  JointTorques torques, const NewtonSettings& newton,
                                  std::uint8_t* taken) {
  BatchStepStatus status;
  if (count == 0) return status;
  const Model::Data& data = ModelAccess::DataOf(model);
  if (ChainWorkspace* chain = PlanarChainWorkspace(data, w)) {
    return StepCheckedChains(*data.chain, ChainAccess::StorageOf(*chain), momenta, positions, count,
                             h, method, 0.0, torques, newton, taken);
  }
  if (method != StepMethod::Midpoint) {
    StepTreeStatesInLanes(w.laneWidth, data, w.lanes.get(), method, h,
                          torques.perChain ? nullptr : torques.values,
                          torques.perChain ? torques.values : nullptr, momenta, positions, count);
    status.evaluations = static_cast<long>(count) * (method == StepMethod::Rk4 ? 4 : 2);
    if (taken != nullptr) std::fill(taken, taken + count, std::uint8_t{1});
    return status;
  }
  const int n = w.n;
  for (int i = 0; i < count; ++i) {
    const std::size_t row = static_cast<std::size_t>(i) * n;
    const double* tau = torques.values == nullptr ? nullptr
                        : torques.perChain        ? torques.values + row
                                                  : torques.values;
    const StepStatus one = StepOne(data, w, momenta + row, positions + row, h, method, tau, newton);
    status.evaluations += one.evaluations;
    if (taken != nullptr) taken[i] = one.taken ? 1 : 0;
    if (!one.taken && status.notTaken++ == 0) status.firstNotTaken = i;
  }
  return status;
}

BatchStepStatus StepStates(const Model& model, ModelWorkspace& workspace, double* momenta,
                           double* positions, int count, double h, StepMethod method,
                           JointTorques torques, const NewtonSettings& newton) {
  ModelWorkspace::Storage& w = StorageFor(model, workspace);
  RequireStateBatch(model, momenta, positions, count, h, method, torques, newton);
  return StepCheckedStates(model, w, momenta, positions, count, h, method, torques, newton,
                           nullptr);
}

IntegrationStatistics Integrate(const Model& model, ModelWorkspace& workspace, double* momenta,
                                double* positions, double duration,
                                const AdaptiveTolerances& tolerances, const double* torques) {
  ModelWorkspace::Storage& w = StorageFor(model, workspace);
  RequireArray(momenta, "momenta");
  RequireArray(positions, "positions");
  if (!(duration >= 0.0 && std::isfinite(duration))) {
    Refuse("the duration must be finite and >= 0; got " + Number(duration));
  }
  RequireTolerances(tolerances);
  RequireFiniteJoints(model, torques, "torques");
  RequireFiniteJoints(model, momenta, "momenta");
  RequireFiniteJoints(model, positions, "positions");
  const Model::Data& data = ModelAccess::DataOf(model);
  if (ChainWorkspace* chain = PlanarChainWorkspace(data, w)) {
    return Integrate(*data.chain, *chain, momenta, positions, duration, tolerances, 0.0, torques);
  }
  auto f = [&](const double* p, const double* q, double* pdot, double* qdot) {
    TreeForwardDynamics(data, w, p, q, torques, pdot, qdot);
  };
  const AdaptiveResult r =
      IntegrateAdaptive(f, duration, momenta, positions, w.adaptive,
                        {tolerances.relative, tolerances.absolute, tolerances.maxSteps});
  return IntegrationStatistics{r.completed, r.steps, r.rejected, r.evaluations, r.time};
}

double Energy(const Model& model, ModelWorkspace& workspace, const double* momenta,
              const double* positions) {
  ModelWorkspace::Storage& w = StorageFor(model, workspace);
  RequireArray(momenta, "momenta");
  RequireArray(positions, "positions");
  const Model::Data& data = ModelAccess::DataOf(model);
  const int n = w.n;
  double* pdot = w.step.data();
  double* qdot = pdot + n;
  TreeForwardDynamics(data, w, momenta, positions, nullptr, pdot, qdot);
  double kinetic = 0.0;
  for (int i = 0; i < n; ++i) kinetic += 0.5 * momenta[i] * qdot[i];
  // V = -Σ m_i gᵀ r_i, r_i the centre of mass in base coordinates.
  TreeFrames(data, w, positions);
  double potential = 0.0;
  for (std::size_t i = 0; i < data.joints.size(); ++i) {
    const JointConstants& J = data.joints[i];
    const double* R = &w.rotation[9 * i];
    const double* o = &w.origin[3 * i];
    const double* c = J.centreOfMass;
    double height = 0.0;  // gᵀ r_i
    for (std::size_t k = 0; k < 3; ++k) {
      height +=
          data.gravity[k] * (o[k] + (R[3 * k] * c[0] + R[3 * k + 1] * c[1] + R[3 * k + 2] * c[2]));
    }
    potential -= J.mass * height;
  }
  return kinetic + potential;
}

void FrameOrigins(const Model& model, ModelWorkspace& workspace, const double* positions,
                  double* origins) {
  ModelWorkspace::Storage& w = StorageFor(model, workspace);
  RequireArray(positions, "positions");
  RequireArray(origins, "origins");
  TreeFrames(ModelAccess::DataOf(model), w, positions);
  for (int k = 0; k < 3 * w.n; ++k) origins[k] = w.origin[k];
}

}  // namespace pendula
