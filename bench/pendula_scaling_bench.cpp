// Scaling/pendula/N: one evaluation of the forward dynamics of an N-link chain, over the scaling
// states. Scaling/pendula-batch/N: StepChains on all the scaling states at once, as the program
// steps its chains, given as the time of one chain-evaluation (a step makes two per chain);
// BatchScaling/lanes:W/N the same in lanes of width W.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <utility>

#include "bench/chain_states.h"
#include "bench/scaling_states.h"
#include "dynamics/evaluation.h"
#include "dynamics/step_chains.h"

namespace pendula {
namespace bench {
namespace {

// The settings the program starts with.
constexpr JointTorqueSettings StartUpSettings{5.0, 0.0};
// The batch is rewound to the scaling states after this many steps (1.2 simulated seconds).
constexpr int StepsBeforeRewind = 100;

// The scaling states of N links as arrays, with the momenta of their joint rates.
template <int N>
struct StatesOf {
  double angles[ScalingStateCount][N];
  double momenta[ScalingStateCount][N];
};

template <int N>
const StatesOf<N>& States() {
  static const StatesOf<N>* const states = [] {
    auto* made = new StatesOf<N>;
    const ScalingStateSet& set = ScalingStates(N);
    ChainData<PlaneAlgebra, double, N> data;
    for (int s = 0; s < ScalingStateCount; ++s) {
      double rates[N];
      std::memcpy(made->angles[s], set.Angles(s), sizeof rates);
      std::memcpy(rates, set.JointRates(s), sizeof rates);
      MomentumInitialisation(BenchmarkModel<N>(), data, made->momenta[s], made->angles[s], rates);
    }
    return made;
  }();
  return *states;
}

template <int N>
void PendulaScaling(benchmark::State& state) {
  const ChainModel<N>& model = BenchmarkModel<N>();
  const StatesOf<N>& states = States<N>();
  ChainData<PlaneAlgebra, double, N> data;
  double momentumRates[N], jointRates[N];
  int s = 0;
  for (auto _ : state) {
    ForwardDynamics(model, data, StartUpSettings, states.momenta[s], states.angles[s],
                    momentumRates, jointRates);
    benchmark::DoNotOptimize(momentumRates);
    benchmark::DoNotOptimize(jointRates);
    s = NextScalingState(s);
  }
}

// Each iteration stands for one chain-evaluation: every 2·256-th iteration steps the whole batch,
// in lanes of the given width (0: the widest the CPU has, as the program steps).
template <int N>
void PendulaBatchScaling(benchmark::State& state, int width) {
  if (width != 0 && !LaneWidthAvailable(width)) {
    state.SkipWithError("this build or this CPU lacks the lanes of this width");
    return;
  }
  ChainModel<N> model = BenchmarkModel<N>();
  if (width != 0) model.laneWidth = width;
  static StatesOf<N> batch;
  batch = States<N>();
  int evaluationsLeft = 0, steps = 0;
  for (auto _ : state) {
    if (evaluationsLeft == 0) {
      if (steps == StepsBeforeRewind) {
        state.PauseTiming();
        batch = States<N>();
        steps = 0;
        state.ResumeTiming();
      }
      StepChains(model, StartUpSettings, batch.momenta, batch.angles, ScalingStateCount);
      benchmark::DoNotOptimize(batch.momenta);
      benchmark::ClobberMemory();
      evaluationsLeft = 2 * ScalingStateCount;
      ++steps;
    }
    --evaluationsLeft;
  }
  state.SetLabel(std::to_string(model.laneWidth) + " lanes");
}

template <int... Index>
bool RegisterPendulaScaling(std::integer_sequence<int, Index...>) {
  (benchmark::RegisterBenchmark(
       ("Scaling/pendula/" + std::to_string(FixedScalingLinkCounts[Index])).c_str(),
       PendulaScaling<FixedScalingLinkCounts[Index]>)
       ->Unit(benchmark::kNanosecond),
   ...);
  (benchmark::RegisterBenchmark(
       ("Scaling/pendula-batch/" + std::to_string(FixedScalingLinkCounts[Index])).c_str(),
       PendulaBatchScaling<FixedScalingLinkCounts[Index]>, 0)
       ->Unit(benchmark::kNanosecond),
   ...);
  // The batch at every width: BatchScaling/lanes:W/N.
  for (int width : {2, 4, 8}) {
    (benchmark::RegisterBenchmark(("BatchScaling/lanes:" + std::to_string(width) + "/" +
                                   std::to_string(FixedScalingLinkCounts[Index]))
                                      .c_str(),
                                  PendulaBatchScaling<FixedScalingLinkCounts[Index]>, width)
         ->Unit(benchmark::kNanosecond),
     ...);
  }
  return true;
}

const bool registered =
    RegisterPendulaScaling(std::make_integer_sequence<int, sizeof FixedScalingLinkCounts /
                                                               sizeof FixedScalingLinkCounts[0]>{});

}  // namespace
}  // namespace bench
}  // namespace pendula
