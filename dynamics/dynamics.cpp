// The public interface: thin wrappers over the one process-wide sine table, chain model, working
// data and joint-torque settings of the program's 20-link chains.
#include "dynamics/dynamics.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "dynamics/heun_step.h"
#include "dynamics/step_chains.h"

namespace pendula {
namespace {

// Links in each of the program's chains; the interface's arrays hold this many.
constexpr int ProgramLinkCount = 20;

SineTable sineTable = {nullptr, 0.0, 0};
ChainModel<ProgramLinkCount> chainModel;
JointTorqueSettings activeJointTorques = {0.0, 0.0};

// The working data of each algebra; the model's shape picks one.
ChainData<PlaneAlgebra, double, ProgramLinkCount> planeData;
ChainData<SpatialAlgebra, double, ProgramLinkCount> spatialData;
ChainData<PlaneAlgebra, double, ProgramLinkCount>& DataFor(PlaneAlgebra) {
  return planeData;
}
ChainData<SpatialAlgebra, double, ProgramLinkCount>& DataFor(SpatialAlgebra) {
  return spatialData;
}

bool modelIsSetUp = false;

// Misuse of the interface ends the process: there is no error path to report it through, and
// carrying on would read a table that does not exist or step by a size that means nothing. Abort
// rather than exit, so that a debugger or a core dump shows the call that did it.
[[noreturn]] void StopWithMessage(const char* operation, const char* problem) {
  std::fprintf(stderr, "pendula: %s: %s\n", operation, problem);
  std::fflush(stderr);
  std::abort();
}

void RequireSetUp(const char* operation) {
  if (!modelIsSetUp) {
    StopWithMessage(operation, "called before setUpModel; call setUpModel(stepSize) once, first");
  }
}

}  // namespace

void setUpModel(double stepSize) {
  if (!(std::isfinite(stepSize) && stepSize > 0.0)) {
    StopWithMessage("setUpModel", "the step size must be finite and greater than 0");
  }
  // The table does not depend on the step size, so a later call has nothing to rebuild in it.
  if (!modelIsSetUp) BuildSineTable(sineTable, SineTableSize);
  SetUpChainModel(chainModel, stepSize, sineTable);
  modelIsSetUp = true;
}

double SineLookup(double angle) {
  RequireSetUp("SineLookup");
  return SineFromTable(sineTable, angle);
}

double CosineLookup(double angle) {
  RequireSetUp("CosineLookup");
  return CosineFromTable(sineTable, angle);
}

void MomentumInitialisation(double (&momenta)[20], const double (&angles)[20],
                            const double (&jointRates)[20]) {
  RequireSetUp("MomentumInitialisation");
  WithAlgebraOf(chainModel, [&](auto algebra) {
    MomentumInitialisation(chainModel, DataFor(algebra), momenta, angles, jointRates);
  });
}

void ForwardDynamics(const double (&momenta)[20], const double (&angles)[20],
                     double (&momentumRates)[20], double (&jointRates)[20]) {
  RequireSetUp("ForwardDynamics");
  // A copy, so that the evaluation's stores to the caller's arrays cannot be taken to change it.
  const JointTorqueSettings settings = activeJointTorques;
  WithAlgebraOf(chainModel, [&](auto algebra) {
    ForwardDynamics(chainModel, DataFor(algebra), settings, momenta, angles, momentumRates,
                    jointRates);
  });
}

void SetActiveJointTorques(double frictionCoefficient, double appliedTorque) {
  RequireSetUp("SetActiveJointTorques");
  activeJointTorques = JointTorqueSettings{frictionCoefficient, appliedTorque};
}

void HeunStep(double (&momenta)[20], double (&angles)[20], double frictionCoefficient,
              double appliedTorque) {
  RequireSetUp("HeunStep");
  SetActiveJointTorques(frictionCoefficient, appliedTorque);
  const JointTorqueSettings settings{frictionCoefficient, appliedTorque};
  WithAlgebraOf(chainModel, [&](auto algebra) {
    HeunStep(chainModel, DataFor(algebra), settings, momenta, angles);
  });
}

void StepChains(double (*momenta)[20], double (*angles)[20], int chainCount,
                double frictionCoefficient, double appliedTorque) {
  RequireSetUp("StepChains");
  SetActiveJointTorques(frictionCoefficient, appliedTorque);
  // As HeunStep on each chain would, it leaves b and τ as the active settings; the step itself
  // reads its own copy and keeps its working data on its own stack.
  const JointTorqueSettings settings{frictionCoefficient, appliedTorque};
  StepChains(chainModel, settings, momenta, angles, chainCount);
}

}  // namespace pendula
