// The steps of chain.h for one chain and for a batch, by each method, and the adaptive
// integration: the integrators over the run-time chain's evaluation, in the workspace's storage.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

#include "dynamics/calls/chain_calls.h"
#include "dynamics/calls/derivative_calls.h"
#include "dynamics/integrators/exact_midpoint_newton.h"
#include "dynamics/lanes/lane_rows.h"

namespace pendula {
namespace {

// One step of one chain whose torques the working data already holds.
template <typename A>
StepStatus StepOne(const ChainModel& model, OneChainData<A>& data, MidpointStorage& midpoint,
                   JacobianStorage& derivatives, StepMethod method, double h, double friction,
                   const NewtonSettings& newton, double* p, double* q) {
  const JointTorqueSettings settings = PerJoint(friction);
  auto f = [&](const double* pAt, const double* qAt, double* pdot, double* qdot) {
    ForwardDynamics(model, data.evaluation, settings, pAt, qAt, pdot, qdot);
  };
  StepStatus status;
  switch (method) {
    case StepMethod::Heun:
      HeunStep(model, data.evaluation, data.step, settings, h, p, q);
      status.evaluations = 2;
      break;
    case StepMethod::Rk4:
      Rk4Step(f, model.linkCount, h, p, q, Rk4StorageIn(data.step));
      status.evaluations = 4;
      break;
    case StepMethod::Midpoint: {
      // The Newton solve on the exact derivatives of the dynamics.
      BindJoints(model, derivatives);
      const double gravity[3] = {model.gravity[0], model.gravity[1], model.gravity[2]};
      ExactMidpointNewton df{derivatives, gravity, model.sineTable, friction};
      status = StatusOf(ImplicitMidpointStep(f, df, h, p, q, midpoint, MidpointSettings(newton)));
      break;
    }
  }
  return status;
}

// The state of one chain finite, and that of a batch: a Newton solve or an error estimate can
// make nothing of any other, and would only end as a failure to converge.
void RequireFiniteState(const double* momenta, const double* angles, int n) {
  RequireFiniteJoints(momenta, n, "momenta");
  RequireFiniteJoints(angles, n, "angles");
}
void RequireFiniteStates(const double* momenta, const double* angles, int n, int chainCount) {
  RequireFiniteRows(momenta, n, chainCount, "momenta");
  RequireFiniteRows(angles, n, chainCount, "angles");
}

}  // namespace

StepStatus Step(const Chain& chain, ChainWorkspace& workspace, double* momenta, double* angles,
                double h, StepMethod method, double friction, const double* torques,
                const NewtonSettings& newton) {
  ChainWorkspace::Storage& storage = StorageFor(chain, workspace);
  RequireArray(momenta, "momenta");
  RequireArray(angles, "angles");
  RequireStepSize(h);
  RequireFriction(friction);
  RequireMethod(method);
  const ChainModel& model = ChainAccess::ModelOf(chain).chain;
  RequireFiniteTorques(torques, model.linkCount);
  if (method == StepMethod::Midpoint) {
    RequireNewton(newton);
    RequireFiniteState(momenta, angles, model.linkCount);
  }
  return WithAlgebraOf(model, [&](auto algebra) {
    auto& data = OneChainDataIn(algebra, storage);
    SetJointTorques(storage, data.evaluation.appliedTorque, torques);
    return StepOne(model, data, storage.midpoint, storage.derivatives, method, h, friction, newton,
                   momenta, angles);
  });
}

void RequireBatch(const Chain& chain, const double* momenta, const double* angles, int chainCount,
                  double h, StepMethod method, double friction, JointTorques torques,
                  const NewtonSettings& newton) {
  if (chainCount < 0) Refuse("chainCount must be >= 0; got " + std::to_string(chainCount));
  RequireStepSize(h);
  RequireFriction(friction);
  RequireMethod(method);
  if (method == StepMethod::Midpoint) RequireNewton(newton);
  if (chainCount == 0) return;
  RequireArray(momenta, "momenta");
  RequireArray(angles, "angles");
  const auto bytes = static_cast<std::uintptr_t>(chainCount) *
                     ChainAccess::ModelOf(chain).chain.linkCount * sizeof(double);
  const auto pBegin = reinterpret_cast<std::uintptr_t>(momenta);
  const auto qBegin = reinterpret_cast<std::uintptr_t>(angles);
  if (pBegin < qBegin + bytes && qBegin < pBegin + bytes) {
    Refuse("momenta and angles must not overlap");
  }
  const int n = ChainAccess::ModelOf(chain).chain.linkCount;
  RequireFiniteTorques(torques, n, chainCount);
  if (method == StepMethod::Midpoint) RequireFiniteStates(momenta, angles, n, chainCount);
}

BatchStepStatus StepCheckedChains(const Chain& chain, ChainWorkspace::Storage& storage,
                                  double* momenta, double* angles, int chainCount, double h,
                                  StepMethod method, double friction, JointTorques torques,
                                  const NewtonSettings& newton, std::uint8_t* taken) {
  BatchStepStatus status;
  if (chainCount == 0) return status;
  const ChainModel& model = ChainAccess::ModelOf(chain).chain;
  const int n = model.linkCount;
  if (model.shape == ModelShape::InPlane && method != StepMethod::Midpoint) {
    const BatchTorques batch{torques.perChain ? nullptr : torques.values,
                             torques.perChain ? torques.values : nullptr};
    StepInLanes(method, model, storage.lanes.get(), h, friction, batch, momenta, angles,
                chainCount);
    status.evaluations = static_cast<long>(chainCount) * (method == StepMethod::Rk4 ? 4 : 2);
    if (taken != nullptr) std::memset(taken, 1, static_cast<std::size_t>(chainCount));
    return status;
  }
  WithAlgebraOf(model, [&](auto algebra) {
    auto& data = OneChainDataIn(algebra, storage);
    if (!torques.perChain) SetJointTorques(storage, data.evaluation.appliedTorque, torques.values);
    for (int i = 0; i < chainCount; ++i) {
      if (torques.perChain) {
        SetJointTorques(storage, data.evaluation.appliedTorque, RowOf(torques.values, i, n));
      }
      const StepStatus one = StepOne(model, data, storage.midpoint, storage.derivatives, method, h,
                                     friction, newton, RowOf(momenta, i, n), RowOf(angles, i, n));
      status.evaluations += one.evaluations;
      if (taken != nullptr) taken[i] = one.taken ? 1 : 0;
      if (!one.taken) {
        if (status.notTaken++ == 0) status.firstNotTaken = i;
      }
    }
  });
  return status;
}

BatchStepStatus StepChains(const Chain& chain, ChainWorkspace& workspace, double* momenta,
                           double* angles, int chainCount, double h, StepMethod method,
                           double friction, JointTorques torques, const NewtonSettings& newton) {
  ChainWorkspace::Storage& storage = StorageFor(chain, workspace);
  RequireBatch(chain, momenta, angles, chainCount, h, method, friction, torques, newton);
  return StepCheckedChains(chain, storage, momenta, angles, chainCount, h, method, friction,
                           torques, newton, nullptr);
}

IntegrationStatistics Integrate(const Chain& chain, ChainWorkspace& workspace, double* momenta,
                                double* angles, double duration,
                                const AdaptiveTolerances& tolerances, double friction,
                                const double* torques) {
  ChainWorkspace::Storage& storage = StorageFor(chain, workspace);
  RequireArray(momenta, "momenta");
  RequireArray(angles, "angles");
  if (!(duration >= 0.0 && std::isfinite(duration))) {
    Refuse("the duration must be finite and >= 0; got " + Number(duration));
  }
  RequireTolerances(tolerances);
  RequireFriction(friction);
  const ChainModel& model = ChainAccess::ModelOf(chain).chain;
  RequireFiniteTorques(torques, model.linkCount);
  RequireFiniteState(momenta, angles, model.linkCount);
  return WithAlgebraOf(model, [&](auto algebra) {
    auto& data = OneChainDataIn(algebra, storage);
    SetJointTorques(storage, data.evaluation.appliedTorque, torques);
    const JointTorqueSettings settings = PerJoint(friction);
    auto f = [&](const double* p, const double* q, double* pdot, double* qdot) {
      ForwardDynamics(model, data.evaluation, settings, p, q, pdot, qdot);
    };
    const AdaptiveResult r =
        IntegrateAdaptive(f, duration, momenta, angles, storage.adaptive,
                          {tolerances.relative, tolerances.absolute, tolerances.maxSteps});
    return IntegrationStatistics{r.completed, r.steps, r.rejected, r.evaluations, r.time};
  });
}

}  // namespace pendula
