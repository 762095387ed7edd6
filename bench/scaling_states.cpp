#include "bench/scaling_states.h"

#include <cstdint>
#include <map>
#include <random>

namespace pendula {
namespace bench {
namespace {

// Uniform in [lo, hi) from the raw 64-bit output, so the states do not depend on how the
// standard library implements its distributions.
double Uniform(std::mt19937_64& generator, double lo, double hi) {
  const double unit = static_cast<double>(generator() >> 11) * 0x1.0p-53;
  return lo + (hi - lo) * unit;
}

ScalingStateSet MakeStates(int links) {
  ScalingStateSet states{links,
                         std::vector<double>(static_cast<std::size_t>(links) * ScalingStateCount),
                         std::vector<double>(static_cast<std::size_t>(links) * ScalingStateCount)};
  std::mt19937_64 generator(20240611 + static_cast<std::uint64_t>(links));
  for (std::size_t i = 0; i < states.angles.size(); ++i) {
    states.angles[i] = Uniform(generator, -3.141592653589793, 3.141592653589793);
    states.jointRates[i] = Uniform(generator, -1.0, 1.0);
  }
  return states;
}

}  // namespace

const ScalingStateSet& ScalingStates(int links) {
  static std::map<int, ScalingStateSet> byLength;
  auto found = byLength.find(links);
  if (found == byLength.end()) found = byLength.emplace(links, MakeStates(links)).first;
  return found->second;
}

void ForEachScalingLength(benchmark::internal::Benchmark* benchmark) {
  for (int links : ScalingLinkCounts) benchmark->Arg(links);
}

}  // namespace bench
}  // namespace pendula
