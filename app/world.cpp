#include "app/world.h"

#include "pendula/dynamics.h"

namespace pendula {

void SetInitialAnglesAndRates(World& world) {
  for (auto& chain : world.initialRates) {
    for (double& rate : chain) rate = 0.0;
  }
  for (int i = 0; i < ChainCount; ++i) {
    for (double& angle : world.angles[i]) angle = 0.0;
    world.angles[i][0] = ProgramStartAngleStep * i;
  }
}

void InitialiseMomenta(World& world) {
  for (int i = 0; i < ChainCount; ++i) {
    MomentumInitialisation(world.momenta[i], world.angles[i], world.initialRates[i]);
  }
}

}  // namespace pendula
