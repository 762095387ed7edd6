// A fixed set of chain states that the benchmarks cycle through, so that no evaluation can reuse
// what the previous one left in registers or in the branch predictor's history, and so that
// pendula and MuJoCo are timed on exactly the same states.
#pragma once

#include "pendula/program_chain.h"

namespace pendula {
namespace bench {

// The step size the program runs with; only the Heun steps read it.
constexpr double BenchmarkStepSize = ProgramStepSize;

// Enough states that the cycle is far longer than anything a predictor learns, few enough
// (256 · 80 doubles = 160 KB) to sit in L2 cache like the World's own hot chains.
constexpr int StateCount = 256;

struct ChainStateSet {
  double angles[StateCount][20];      // uniform in [-π, π]
  double jointRates[StateCount][20];  // uniform in [-1, 1] rad/s
  double momenta[StateCount][20];     // p = A(q) q̇ by MomentumInitialisation
};

// Builds the model (once) and the states, from a fixed seed so every run times the same states.
const ChainStateSet& BenchmarkStates();

}  // namespace bench
}  // namespace pendula
