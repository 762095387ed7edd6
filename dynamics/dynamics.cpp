// The public interface: thin wrappers over the one process-wide sine table, chain model, working
// data and joint-torque settings of the program's 20-link chains.
#include "dynamics/dynamics.h"

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

}  // namespace

void setUpModel(double stepSize) {
  BuildSineTable(sineTable, SineTableSize);
  SetUpChainModel(chainModel, stepSize, sineTable);
}

double SineLookup(double angle) {
  return SineFromTable(sineTable, angle);
}

double CosineLookup(double angle) {
  return CosineFromTable(sineTable, angle);
}

void MomentumInitialisation(double (&momenta)[20], const double (&angles)[20],
                            const double (&jointRates)[20]) {
  WithAlgebraOf(chainModel, [&](auto algebra) {
    MomentumInitialisation(chainModel, DataFor(algebra), momenta, angles, jointRates);
  });
}

void ForwardDynamics(const double (&momenta)[20], const double (&angles)[20],
                     double (&momentumRates)[20], double (&jointRates)[20]) {
  // A copy, so that the evaluation's stores to the caller's arrays cannot be taken to change it.
  const JointTorqueSettings settings = activeJointTorques;
  WithAlgebraOf(chainModel, [&](auto algebra) {
    ForwardDynamics(chainModel, DataFor(algebra), settings, momenta, angles, momentumRates,
                    jointRates);
  });
}

void SetActiveJointTorques(double frictionCoefficient, double appliedTorque) {
  activeJointTorques = JointTorqueSettings{frictionCoefficient, appliedTorque};
}

void HeunStep(double (&momenta)[20], double (&angles)[20], double frictionCoefficient,
              double appliedTorque) {
  SetActiveJointTorques(frictionCoefficient, appliedTorque);
  const JointTorqueSettings settings{frictionCoefficient, appliedTorque};
  WithAlgebraOf(chainModel, [&](auto algebra) {
    HeunStep(chainModel, DataFor(algebra), settings, momenta, angles);
  });
}

void StepChains(double (*momenta)[20], double (*angles)[20], int chainCount,
                double frictionCoefficient, double appliedTorque) {
  SetActiveJointTorques(frictionCoefficient, appliedTorque);
  // As HeunStep on each chain would, it leaves b and τ as the active settings; the step itself
  // reads its own copy and keeps its working data on its own stack.
  const JointTorqueSettings settings{frictionCoefficient, appliedTorque};
  StepChains(chainModel, settings, momenta, angles, chainCount);
}

}  // namespace pendula
