// The World: the state of all 100 chains, chain-major, one 20-value slice per chain and array.
#pragma once

#include "dynamics/chain/program_chain.h"

namespace pendula {

constexpr int ChainCount = 100;
constexpr int JointsPerChain = ProgramLinkCount;

// Integration step, seconds: handed to the model set-up and added to the simulated clock.
constexpr double StepSize = ProgramStepSize;

struct World {
  double angles[ChainCount][JointsPerChain];        // q, radians, never reduced into one turn
  double momenta[ChainCount][JointsPerChain];       // p, conjugate to q
  double initialRates[ChainCount][JointsPerChain];  // q̇ at start, read once to form p
};

// Zero initial rates; every angle zero except joint 1 of chain i, which starts at 20 i radians,
// so the chains start fanned out at visibly different angles.
void SetInitialAnglesAndRates(World& world);

// p = A(q) q̇ for every chain, from its angles and initial rates; the model must be set up.
void InitialiseMomenta(World& world);

}  // namespace pendula
