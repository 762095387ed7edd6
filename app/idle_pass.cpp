#include "app/idle_pass.h"

#include "dynamics/dynamics.h"

namespace pendula {

void StepAllChains(World& world, const DriveSettings& settings) {
  // Two chains at a time: a pair step gives each chain what its own step would, in about the
  // time of one.
  int i = 0;
  for (; i + 1 < ChainCount; i += 2) {
    HeunStepPair(world.momenta[i], world.angles[i], world.momenta[i + 1], world.angles[i + 1],
                 settings.frictionCoefficient, settings.appliedTorque);
  }
  for (; i < ChainCount; ++i) {
    HeunStep(world.momenta[i], world.angles[i], settings.frictionCoefficient,
             settings.appliedTorque);
  }
}

bool AdvanceSimulationClock(SimulationClock& clock, double stepSize) {
  clock.simulatedTime = stepSize + clock.simulatedTime;
  // Only the pass count modulo 5 matters, so keep just that: the count can run forever.
  clock.passPhase = (clock.passPhase + 1) % PassesPerRedraw;
  return clock.passPhase == 0;
}

}  // namespace pendula
