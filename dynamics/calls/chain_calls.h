// What the calls of chain.h share, for the files that implement them: the checks of their
// arguments, with the messages they refuse with, and one chain's working data in a workspace.
#pragma once

#include <cstdint>
#include <string>

#include "dynamics/batch/chain_lanes.h"
#include "dynamics/chain/chain_internals.h"
#include "dynamics/integrators/heun_step.h"

namespace pendula {

// std::invalid_argument with the message.
[[noreturn]] void Refuse(const std::string& message);
// x with all 17 significant digits, for messages.
std::string Number(double x);
void RequireArray(const void* array, const char* name);
void RequireFriction(double friction);
void RequireStepSize(double h);
void RequireMethod(StepMethod method);
void RequireNewton(const NewtonSettings& newton);
void RequireTolerances(const AdaptiveTolerances& tolerances);

// The Newton settings as the midpoint solver takes them, and what its step did as a step's status.
inline MidpointSolverSettings MidpointSettings(const NewtonSettings& newton) {
  return MidpointSolverSettings{newton.tolerance, newton.maxIterations};
}
inline StepStatus StatusOf(const MidpointStepResult& r) {
  return StepStatus{r.converged, r.evaluations, r.iterations, r.residual};
}
// Every one of the n values of one chain finite, or std::invalid_argument naming the first that is
// not by its index and joint: "torques[3] (joint 4) must be finite; got nan".
void RequireFiniteJoints(const double* values, int n, const char* name);
// The same for rows of n values of chainCount chains, naming the chain too:
// "momenta[41] (chain 2, joint 2) must be finite; got inf".
void RequireFiniteRows(const double* values, int n, int chainCount, const char* name);
// Torques, when there are any, that are finite: one chain's, or those of a batch of chainCount.
void RequireFiniteTorques(const double* torques, int n);
void RequireFiniteTorques(JointTorques torques, int n, int chainCount);
// The workspace's storage, once it is known to have been made for chains of this shape and count.
ChainWorkspace::Storage& StorageFor(const Chain& chain, ChainWorkspace& workspace);
// The torques of one chain into the evaluation's applied-torque vector, zeros for none.
void SetJointTorques(double* appliedTorque, const double* torques, int n);

// ForwardDynamics on arguments already checked, in the storage of a workspace made for the chain.
void ForwardDynamicsChecked(const Chain& chain, ChainWorkspace::Storage& storage,
                            const double* momenta, const double* angles, double* momentumRates,
                            double* jointRates, double friction, const double* torques);

// The checks of a batch step's arguments (all but the workspace's), as StepChains makes them.
void RequireBatch(const Chain& chain, const double* momenta, const double* angles, int chainCount,
                  double h, StepMethod method, double friction, JointTorques torques,
                  const NewtonSettings& newton);
// StepChains by the method on arguments already checked, in the storage of a workspace made for
// the chain; with taken not null, also taken[i] = whether chain i was stepped (1) or not (0).
BatchStepStatus StepCheckedChains(const Chain& chain, ChainWorkspace::Storage& storage,
                                  double* momenta, double* angles, int chainCount, double h,
                                  StepMethod method, double friction, JointTorques torques,
                                  const NewtonSettings& newton, std::uint8_t* taken);

// One step by the method (Heun or Rk4) of each of the in-plane chains 0 .. chainCount - 1, in the
// lanes of the model's width, in the workspace's lane storage.
void StepInLanes(StepMethod method, const ChainModel& model, unsigned char* storage, double h,
                 double friction, BatchTorques torques, double* momenta, double* angles,
                 int chainCount);

// One chain's data in the workspace, in the algebra given.
inline OneChainData<PlaneAlgebra>& OneChainDataIn(PlaneAlgebra, ChainWorkspace::Storage& storage) {
  return storage.plane;
}
inline OneChainData<SpatialAlgebra>& OneChainDataIn(SpatialAlgebra,
                                                    ChainWorkspace::Storage& storage) {
  return storage.spatial;
}

// SetJointTorques for one chain's data in the workspace: every call brings its own torques, so
// each writes all N of them.
inline void SetJointTorques(ChainWorkspace::Storage& storage, double* appliedTorque,
                            const double* torques) {
  SetJointTorques(appliedTorque, torques, storage.linkCount);
}

}  // namespace pendula
