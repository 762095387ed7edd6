// The chain lengths of the scaling benchmarks, and for each length a fixed set of random states
// that every engine's Scaling/<engine>/N benchmark cycles through, so that no evaluation reuses
// what the previous one left in registers, caches or the branch predictor's history, and every
// engine is timed on exactly the same states.
#pragma once

#include <benchmark/benchmark.h>

#include <vector>

namespace pendula {
namespace bench {

// Doubling from 5 to 320 links, equal steps on the logarithmic axis on which the cost is fitted,
// and the longest chain a model built at run time may have.
constexpr int ScalingLinkCounts[] = {5, 10, 20, 40, 80, 160, 320, 1000};
// The lengths at which the batch is timed at every lane width.
constexpr int LaneScalingLinkCounts[] = {5, 10, 20, 40, 80, 160};

// As many states as for the 20-link benchmarks (bench/chain_states.h), for every length.
constexpr int ScalingStateCount = 256;

struct ScalingStateSet {
  int links;
  std::vector<double> angles;      // state s, joint k at [links * s + k - 1]: uniform in [-π, π]
  std::vector<double> jointRates;  // the same layout: uniform in [-1, 1] rad/s

  const double* Angles(int s) const { return &angles[static_cast<std::size_t>(links) * s]; }
  const double* JointRates(int s) const { return &jointRates[static_cast<std::size_t>(links) * s]; }
};

// The states of chains of `links` links, made once per length from a fixed seed, so every run
// and every engine times the same states.
const ScalingStateSet& ScalingStates(int links);

constexpr int NextScalingState(int s) {
  return (s + 1) % ScalingStateCount;
}

// Registers one run of a benchmark for each length of ScalingLinkCounts, the length as its
// argument: named "Scaling/<engine>/N" when the benchmark is named "Scaling/<engine>".
void ForEachScalingLength(benchmark::internal::Benchmark* benchmark);

}  // namespace bench
}  // namespace pendula
