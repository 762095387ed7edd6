// Scaling/chain/N: one evaluation of the forward dynamics of a model built at run time of N of
// the program's links, over the scaling states. Scaling/chain-batch/N: its batch step on all the
// scaling states at once, given as the time of one chain-evaluation (a step makes two per chain).
// N runs from 5 to 1000, the longest chain such a model may have. BatchScaling/lanes:W/N: the
// batch in the lanes of width W.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "bench/scaling_states.h"
#include "bench/steps_at_width.h"
#include "dynamics/lanes/lane_widths.h"
#include "pendula/chain.h"
#include "pendula/program_chain.h"

namespace pendula {
namespace bench {
namespace {

constexpr double FrictionCoefficient = ProgramFrictionCycle[0];  // the program's start-up friction
constexpr double StepSize = ProgramStepSize;
// The batch is rewound to the scaling states after this many steps (1.2 simulated seconds).
constexpr int StepsBeforeRewind = 100;

Chain ChainOf(int links) {
  ChainDescription description = Chain::Program().description();
  description.links.resize(links, description.links[0]);
  return Chain(description);
}

// The scaling states with the momenta of their joint rates, chain s in row s.
struct States {
  std::vector<double> angles, momenta;
};

States StatesOf(const Chain& chain) {
  const int n = chain.linkCount();
  const ScalingStateSet& set = ScalingStates(n);
  States states{set.angles, std::vector<double>(set.angles.size())};
  ChainWorkspace workspace(chain);
  for (int s = 0; s < ScalingStateCount; ++s) {
    MomentumInitialisation(chain, workspace, &states.momenta[static_cast<std::size_t>(n) * s],
                           set.Angles(s), set.JointRates(s));
  }
  return states;
}

void ChainScaling(benchmark::State& state) {
  const Chain chain = ChainOf(static_cast<int>(state.range(0)));
  const int n = chain.linkCount();
  const States states = StatesOf(chain);
  ChainWorkspace workspace(chain);
  std::vector<double> momentumRates(n), jointRates(n);
  int s = 0;
  for (auto _ : state) {
    const std::size_t row = static_cast<std::size_t>(n) * s;
    ForwardDynamics(chain, workspace, &states.momenta[row], &states.angles[row],
                    momentumRates.data(), jointRates.data(), FrictionCoefficient);
    benchmark::DoNotOptimize(momentumRates.data());
    benchmark::ClobberMemory();
    s = NextScalingState(s);
  }
}

// Each iteration stands for one chain-evaluation: every 2·256-th iteration steps the whole batch,
// in the chain's own lanes (width 0) or in those of the width given.
void ChainBatchScaling(benchmark::State& state, int width) {
  if (width != 0 && !LaneWidthAvailable(width)) {
    state.SkipWithError("this build or this CPU lacks the lanes of this width");
    return;
  }
  const Chain chain = ChainOf(static_cast<int>(state.range(0)));
  const States start = StatesOf(chain);
  States batch = start;
  StepsAtWidth lanes(chain, width);
  int evaluationsLeft = 0, steps = 0;
  for (auto _ : state) {
    if (evaluationsLeft == 0) {
      if (steps == StepsBeforeRewind) {
        state.PauseTiming();
        batch = start;
        steps = 0;
        state.ResumeTiming();
      }
      lanes.Step(StepSize, FrictionCoefficient, batch.momenta.data(), batch.angles.data(),
                 ScalingStateCount);
      benchmark::DoNotOptimize(batch.momenta.data());
      benchmark::ClobberMemory();
      evaluationsLeft = 2 * ScalingStateCount;
      ++steps;
    }
    --evaluationsLeft;
  }
  state.SetLabel(std::to_string(lanes.width()) + " lanes");
}

BENCHMARK(ChainScaling)
    ->Name("Scaling/chain")
    ->Apply(ForEachScalingLength)
    ->Unit(benchmark::kNanosecond);
BENCHMARK_CAPTURE(ChainBatchScaling, own, 0)
    ->Name("Scaling/chain-batch")
    ->Apply(ForEachScalingLength)
    ->Unit(benchmark::kNanosecond);
// The batch at every width, for the lengths up to 160: BatchScaling/lanes:W/N.
const bool registeredWidths = [] {
  for (const int width : {2, 4, 8}) {
    for (const int n : LaneScalingLinkCounts) {
      benchmark::RegisterBenchmark(
          ("BatchScaling/lanes:" + std::to_string(width) + "/" + std::to_string(n)).c_str(),
          [width](benchmark::State& state) { ChainBatchScaling(state, width); })
          ->Arg(n)
          ->Unit(benchmark::kNanosecond);
    }
  }
  return true;
}();

}  // namespace
}  // namespace bench
}  // namespace pendula
