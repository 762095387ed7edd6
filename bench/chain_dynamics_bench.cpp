// One chain: the start-up momenta, one evaluation of the dynamics, one Heun step. Each iteration
// is one call on the next of the benchmark states, so the times are per call.
#include <benchmark/benchmark.h>

#include "bench/chain_states.h"
#include "bench/steps_at_width.h"
#include "dynamics/lanes/lane_widths.h"
#include "pendula/dynamics.h"

namespace pendula {
namespace bench {
namespace {

// The settings the program starts with: friction 5 on every joint, no drive torque.
constexpr double FrictionCoefficient = 5.0;
constexpr double AppliedTorque = 0.0;

constexpr int NextState(int s) {
  return (s + 1) % StateCount;
}

void MomentumInitialisationOfOneChain(benchmark::State& state) {
  const ChainStateSet& states = BenchmarkStates();
  double momenta[20];
  int s = 0;
  for (auto _ : state) {
    MomentumInitialisation(momenta, states.angles[s], states.jointRates[s]);
    benchmark::DoNotOptimize(momenta);
    s = NextState(s);
  }
}

void ForwardDynamicsOfOneChain(benchmark::State& state) {
  const ChainStateSet& states = BenchmarkStates();
  SetActiveJointTorques(FrictionCoefficient, AppliedTorque);
  double momentumRates[20], jointRates[20];
  int s = 0;
  for (auto _ : state) {
    ForwardDynamics(states.momenta[s], states.angles[s], momentumRates, jointRates);
    benchmark::DoNotOptimize(momentumRates);
    benchmark::DoNotOptimize(jointRates);
    s = NextState(s);
  }
}

// Steps copies of the states in place: every state keeps moving, so none repeats.
void HeunStepOfOneChain(benchmark::State& state) {
  static ChainStateSet chains;
  chains = BenchmarkStates();
  int s = 0;
  for (auto _ : state) {
    HeunStep(chains.momenta[s], chains.angles[s], FrictionCoefficient, AppliedTorque);
    benchmark::DoNotOptimize(chains.momenta[s]);
    benchmark::DoNotOptimize(chains.angles[s]);
    s = NextState(s);
  }
}

// Steps copies of the states in one batch step of the program's run-time chain, with the chains
// side by side in lane packs of the given width; one iteration steps all 256. The counter gives the
// time per evaluation of one chain (two per step).
void StepChainsInLanes(benchmark::State& state) {
  const int width = static_cast<int>(state.range(0));
  if (!LaneWidthAvailable(width)) {
    state.SkipWithError("this build or this CPU lacks the lanes of this width");
    return;
  }
  static ChainStateSet chains;
  chains = BenchmarkStates();
  static const Chain program = Chain::Program();
  StepsAtWidth steps(program, width);
  for (auto _ : state) {
    steps.Step(BenchmarkStepSize, FrictionCoefficient, &chains.momenta[0][0], &chains.angles[0][0],
               StateCount);
    benchmark::DoNotOptimize(chains.momenta);
    benchmark::DoNotOptimize(chains.angles);
  }
  state.counters["per_evaluation"] =
      benchmark::Counter(2.0 * StateCount * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(MomentumInitialisationOfOneChain)
    ->Name("MomentumInitialisation")
    ->Unit(benchmark::kNanosecond);
BENCHMARK(ForwardDynamicsOfOneChain)->Name("ForwardDynamics")->Unit(benchmark::kNanosecond);
BENCHMARK(HeunStepOfOneChain)->Name("HeunStep")->Unit(benchmark::kNanosecond);
BENCHMARK(StepChainsInLanes)
    ->Name("StepChains/lanes")
    ->Arg(2)
    ->Arg(4)
    ->Arg(8)
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
