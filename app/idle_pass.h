// One idle pass of the simulation: every chain advanced by one Heun step, and the simulated clock
// that counts the passes.
#pragma once

#include "app/world.h"
#include "viewer/drive_settings.h"

namespace pendula {

// A redraw is requested on every this-many-th pass, spreading a frame's cost over the steps.
constexpr int PassesPerRedraw = 5;

struct SimulationClock {
  double simulatedTime;  // seconds: h added once per pass
  int passPhase;         // passes since the last redraw request, 0..4; never overflows
};

constexpr SimulationClock InitialSimulationClock() {
  return SimulationClock{0.0, 0};
}

// HeunStep on chains 0 to chainCount - 1 (all 100 unless told), all with the same friction and
// torque, through one StepChains call.
void StepAllChains(World& world, const DriveSettings& settings, int chainCount = ChainCount);

// simulatedTime = h + simulatedTime; counts the pass and says whether it is a fifth one
// (the 5th, 10th, 15th, ...), which requests a redraw.
bool AdvanceSimulationClock(SimulationClock& clock, double stepSize);

}  // namespace pendula
