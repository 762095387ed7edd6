#include "app/world.h"

#include "pendula/dynamics.h"

namespace pendula {

// Joint 1 of chain i starts at this many radians times i.
constexpr int InitialJoint1AngleStep = 20;

void SetInitialAnglesAndRates(World& world) {
  for (auto& chain : world.initialRates) {
    for (double& rate : chain) rate = 0.0;
  }
  for (int i = 0; i < ChainCount; ++i) {
    for (double& angle : world.angles[i]) angle = 0.0;
    world.angles[i][0] = InitialJoint1AngleStep * i;
  }
}

void InitialiseMomenta(World& world) {
  for (int i = 0; i < ChainCount; ++i) {
    MomentumInitialisation(world.momenta[i], world.angles[i], world.initialRates[i]);
  }
}

}  // namespace pendula
