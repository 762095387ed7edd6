#include "bench/chain_states.h"

#include <cstdint>
#include <random>

#include "pendula/dynamics.h"

namespace pendula {
namespace bench {
namespace {

// Uniform in [lo, hi) from the raw 64-bit output, so the states do not depend on how the
// standard library implements its distributions.
double Uniform(std::mt19937_64& generator, double lo, double hi) {
  const double unit = static_cast<double>(generator() >> 11) * 0x1.0p-53;
  return lo + (hi - lo) * unit;
}

ChainStateSet MakeStates() {
  setUpModel(BenchmarkStepSize);
  ChainStateSet states;
  std::mt19937_64 generator(20240611);
  for (int s = 0; s < StateCount; ++s) {
    for (int k = 0; k < 20; ++k) {
      states.angles[s][k] = Uniform(generator, -3.141592653589793, 3.141592653589793);
      states.jointRates[s][k] = Uniform(generator, -1.0, 1.0);
    }
    MomentumInitialisation(states.momenta[s], states.angles[s], states.jointRates[s]);
  }
  return states;
}

}  // namespace

const ChainStateSet& BenchmarkStates() {
  static const ChainStateSet states = MakeStates();
  return states;
}

}  // namespace bench
}  // namespace pendula
