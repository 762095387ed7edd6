#include "app/idle_pass.h"

#include "pendula/dynamics.h"

namespace pendula {

void StepAllChains(World& world, const DriveSettings& settings, int chainCount) {
  StepChains(world.momenta, world.angles, chainCount, settings.frictionCoefficient,
             settings.appliedTorque);
}

bool AdvanceSimulationClock(SimulationClock& clock, double stepSize) {
  clock.simulatedTime = stepSize + clock.simulatedTime;
  // Only the pass count modulo 5 matters, so keep just that: the count can run forever.
  clock.passPhase = (clock.passPhase + 1) % PassesPerRedraw;
  return clock.passPhase == 0;
}

}  // namespace pendula
