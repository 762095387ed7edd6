// A chain whose state stops being finite is put back where the program started it. The fixed
// Heun step is explicit, and a 20-link chain that whips fast enough (no friction, a driving
// torque) outruns it: its values overflow to infinity and NaN, and would stay so for good.
#pragma once

#include <ostream>

#include "app/world.h"

namespace pendula {

// Every chain's angles and momenta as start-up left them, kept to restart chains from.
struct StartUpState {
  double angles[ChainCount][JointsPerChain];
  double momenta[ChainCount][JointsPerChain];
};

// Copies the World's angles and momenta into startUp; call once, after the momenta are formed.
void RecordStartUpState(const World& world, StartUpState& startUp);

// True when all 40 of one chain's angles and momenta are finite (neither infinite nor NaN).
bool ChainStateIsFinite(const double (&angles)[JointsPerChain],
                        const double (&momenta)[JointsPerChain]);

// Every chain whose state is not all finite gets its start-up angles and momenta back, and
// "chain <i> restarted" goes to out, one flushed line per chain in increasing i. Finite chains
// are not written to. Returns how many chains were restarted.
int RestartNonFiniteChains(World& world, const StartUpState& startUp, std::ostream& out);

}  // namespace pendula
