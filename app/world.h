// The World: the state of all 100 chains, chain-major, one 20-value slice per chain and array.
#pragma once

#include "pendula/program_chain.h"

namespace pendula {

constexpr int ChainCount = ProgramChainCount;
constexpr int JointsPerChain = ProgramLinkCount;

// Integration step, seconds: handed to the model set-up and added to the simulated clock.
constexpr double StepSize = ProgramStepSize;

struct World {
  double angles[ChainCount][JointsPerChain];        // q, radians, never reduced into one turn
  double momenta[ChainCount][JointsPerChain];       // p, conjugate to q
  double initialRates[ChainCount][JointsPerChain];  // q̇ at start, read once to form p
};

// The program's start: zero initial rates, every angle zero except joint 1 of chain i, which
// starts at ProgramStartAngleStep · i radians.
void SetInitialAnglesAndRates(World& world);

// p = A(q) q̇ for every chain, from its angles and initial rates; the model must be set up.
void InitialiseMomenta(World& world);

}  // namespace pendula
