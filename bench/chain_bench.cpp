// The program's chain as a model built at run time (chain.h), timed beside the program's own
// interface on the same states: Chain/ForwardDynamics against ForwardDynamics, Chain/HeunStep
// against HeunStep, Chain/StepChains/256chains against StepChains/lanes at the widest width, and
// Chain/IdlePass/100chains against IdlePass/100chains (the program's 100 chains from start-up).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/world.h"
#include "bench/chain_states.h"
#include "pendula/chain.h"

namespace pendula {
namespace bench {
namespace {

constexpr double FrictionCoefficient = 5.0;  // the program's start-up friction
constexpr int PassesBeforeRewind = 1000;     // as IdlePass/100chains

const Chain& ProgramChain() {
  static const Chain chain = Chain::Program();
  return chain;
}

void ChainForwardDynamics(benchmark::State& state) {
  const ChainStateSet& states = BenchmarkStates();
  ChainWorkspace workspace(ProgramChain());
  double momentumRates[20], jointRates[20];
  int s = 0;
  for (auto _ : state) {
    ForwardDynamics(ProgramChain(), workspace, states.momenta[s], states.angles[s], momentumRates,
                    jointRates, FrictionCoefficient);
    benchmark::DoNotOptimize(momentumRates);
    benchmark::DoNotOptimize(jointRates);
    s = (s + 1) % StateCount;
  }
}

void ChainHeunStep(benchmark::State& state) {
  static ChainStateSet chains;
  chains = BenchmarkStates();
  ChainWorkspace workspace(ProgramChain());
  int s = 0;
  for (auto _ : state) {
    HeunStep(ProgramChain(), workspace, chains.momenta[s], chains.angles[s], BenchmarkStepSize,
             FrictionCoefficient);
    benchmark::DoNotOptimize(chains.momenta[s]);
    benchmark::DoNotOptimize(chains.angles[s]);
    s = (s + 1) % StateCount;
  }
}

// The 256 states in one call; the counter is the time per evaluation of one chain.
void ChainStepChains(benchmark::State& state) {
  static ChainStateSet chains;
  chains = BenchmarkStates();
  ChainWorkspace workspace(ProgramChain());
  for (auto _ : state) {
    StepChains(ProgramChain(), workspace, &chains.momenta[0][0], &chains.angles[0][0], StateCount,
               BenchmarkStepSize, FrictionCoefficient);
    benchmark::DoNotOptimize(chains.momenta);
    benchmark::DoNotOptimize(chains.angles);
  }
  state.counters["per_evaluation"] =
      benchmark::Counter(2.0 * StateCount * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel(std::to_string(ProgramChain().batchWidth()) + " lanes");
}

// The program's 100 chains from their start-up state, the first 1000 passes over and over.
void ChainIdlePass(benchmark::State& state) {
  static World startUp, world;
  SetInitialAnglesAndRates(startUp);
  ChainWorkspace workspace(ProgramChain());
  for (int i = 0; i < ChainCount; ++i) {
    MomentumInitialisation(ProgramChain(), workspace, startUp.momenta[i], startUp.angles[i],
                           startUp.initialRates[i]);
  }
  world = startUp;
  int passes = 0;
  for (auto _ : state) {
    StepChains(ProgramChain(), workspace, &world.momenta[0][0], &world.angles[0][0], ChainCount,
               BenchmarkStepSize, FrictionCoefficient);
    benchmark::DoNotOptimize(world);
    if (++passes == PassesBeforeRewind) {
      state.PauseTiming();
      world = startUp;
      passes = 0;
      state.ResumeTiming();
    }
  }
}

BENCHMARK(ChainForwardDynamics)->Name("Chain/ForwardDynamics")->Unit(benchmark::kNanosecond);
BENCHMARK(ChainHeunStep)->Name("Chain/HeunStep")->Unit(benchmark::kNanosecond);
BENCHMARK(ChainStepChains)->Name("Chain/StepChains/256chains")->Unit(benchmark::kMicrosecond);
BENCHMARK(ChainIdlePass)->Name("Chain/IdlePass/100chains")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
