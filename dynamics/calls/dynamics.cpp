// The public interface: thin wrappers over the program's chain (Chain::Program()) and one
// process-wide workspace of it, with the step size and the joint-torque settings of the
// interface beside them.
#include "pendula/dynamics.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "dynamics/calls/chain_calls.h"
#include "pendula/program_chain.h"

namespace pendula {
namespace {

// The interface's arrays are the program's chains.
static_assert(sizeof(double[ProgramLinkCount]) == sizeof(double[20]),
              "dynamics.h's arrays hold ProgramLinkCount values");

// Made by the first setUpModel and kept for the life of the process: the interface has no object
// to hold them, and a call after the end of main may still use them.
const Chain* programChain = nullptr;
ChainWorkspace* workspace = nullptr;
double stepSize = 0.0;
JointTorqueSettings activeJointTorques = {0.0, 0.0};

// Misuse of the interface ends the process: there is no error path to report it through, and
// carrying on would read a table that does not exist or step by a size that means nothing. Abort
// rather than exit, so that a debugger or a core dump shows the call that did it.
[[noreturn]] void StopWithMessage(const char* operation, const char* problem) {
  std::fprintf(stderr, "pendula: %s: %s\n", operation, problem);
  std::fflush(stderr);
  std::abort();
}

void RequireSetUp(const char* operation) {
  if (programChain == nullptr) {
    StopWithMessage(operation, "called before setUpModel; call setUpModel(stepSize) once, first");
  }
}

const ChainModel& ProgramModel() {
  return ChainAccess::ModelOf(*programChain).chain;
}

// The interface's torques (τ on joint 1, b on every joint) go to the evaluation as settings, not
// as a vector of the caller's: the applied-torque vector of this workspace is never written by
// anything else, so beyond joint 1 it holds the zeros it was made with, as the fixed-count model's
// evaluation has it, and each call writes τ alone.
//
// The same evaluation's arguments are not checked as chain.h checks them: the interface takes any
// friction and torque, a NaN or a negative b included, and gives the bits the arithmetic gives.
template <typename F>
void WithOneChainData(F&& f) {
  WithAlgebraOf(ProgramModel(), [&](auto algebra) {
    f(OneChainDataIn(algebra, ChainAccess::StorageOf(*workspace)));
  });
}

}  // namespace

void setUpModel(double stepSizeGiven) {
  if (!(std::isfinite(stepSizeGiven) && stepSizeGiven > 0.0)) {
    StopWithMessage("setUpModel", "the step size must be finite and greater than 0");
  }
  // The first call builds the process's one sine table, through Chain::Program(): the web page
  // brackets this call to patch the table's entries as they are built (web/page.cpp), so the
  // table must not be built before it. A later call keeps the chain and its table.
  if (programChain == nullptr) {
    programChain = new Chain(Chain::Program());
    workspace = new ChainWorkspace(*programChain);
  }
  stepSize = stepSizeGiven;
}

double SineLookup(double angle) {
  RequireSetUp("SineLookup");
  return SineFromTable(SharedSineTable(), angle);
}

double CosineLookup(double angle) {
  RequireSetUp("CosineLookup");
  return CosineFromTable(SharedSineTable(), angle);
}

void MomentumInitialisation(double (&momenta)[20], const double (&angles)[20],
                            const double (&jointRates)[20]) {
  RequireSetUp("MomentumInitialisation");
  const ChainModel model = ProgramModel();  // see ForwardDynamics
  WithOneChainData([&](auto& data) {
    MomentumInitialisation(model, data.evaluation, momenta, angles, jointRates);
  });
}

void ForwardDynamics(const double (&momenta)[20], const double (&angles)[20],
                     double (&momentumRates)[20], double (&jointRates)[20]) {
  RequireSetUp("ForwardDynamics");
  // A copy, so that the evaluation's stores to the caller's arrays cannot be taken to change it.
  const JointTorqueSettings settings = activeJointTorques;
  // And one of the model, which no store to the caller's arrays can change either: its link
  // count and link pointer stay in registers through the passes (4 % of an evaluation).
  const ChainModel model = ProgramModel();
  WithOneChainData([&](auto& data) {
    ForwardDynamics(model, data.evaluation, settings, momenta, angles, momentumRates, jointRates);
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
  const ChainModel model = ProgramModel();  // see ForwardDynamics
  WithOneChainData([&](auto& data) {
    HeunStep(model, data.evaluation, data.step, settings, stepSize, momenta, angles);
  });
}

void StepChains(double (*momenta)[20], double (*angles)[20], int chainCount,
                double frictionCoefficient, double appliedTorque) {
  RequireSetUp("StepChains");
  // As HeunStep on each chain would, it leaves b and τ as the active settings.
  SetActiveJointTorques(frictionCoefficient, appliedTorque);
  if (chainCount <= 0) return;
  // τ on joint 1 and nothing on the others, for every chain.
  double torques[ProgramLinkCount] = {appliedTorque};
  StepCheckedChains(*programChain, ChainAccess::StorageOf(*workspace), momenta[0], angles[0],
                    chainCount, stepSize, StepMethod::Heun, frictionCoefficient,
                    JointTorques{torques, false}, {}, nullptr);
}

}  // namespace pendula
