// The program's chain as a model built at run time (chain.h), timed beside the program's own
// interface on the same states: Chain/ForwardDynamics against ForwardDynamics, Chain/HeunStep
// against HeunStep, Chain/StepChains/256chains against StepChains/lanes at the widest width, and
// Chain/IdlePass/100chains against IdlePass/100chains (the program's 100 chains from start-up);
// ".../as_tree", the same through model.h on the chain written as a tree, beside
// ".../frictionless", the chain's calls without friction.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "app/world.h"
#include "bench/chain_states.h"
#include "pendula/chain.h"
#include "pendula/model.h"

namespace pendula {
namespace bench {
namespace {

constexpr double FrictionCoefficient = 5.0;  // the program's start-up friction
constexpr int PassesBeforeRewind = 1000;     // as IdlePass/100chains

const Chain& ProgramChain() {
  static const Chain chain = Chain::Program();
  return chain;
}

// The calls that the timings below make: those of chain.h on the program's chain, with the
// program's friction or none, or those of model.h on the chain written as a tree, which has no
// friction (the joints' damping is another force). Friction does not change the arithmetic, but
// the states that the steps reach and so the table's lines they read: the tree is timed beside
// the frictionless chain.
template <bool WithFriction>
struct OnChain {
  using Workspace = ChainWorkspace;
  static constexpr double Friction = WithFriction ? FrictionCoefficient : 0.0;
  static const Chain& Of() { return ProgramChain(); }
  static void Evaluate(Workspace& w, const double* p, const double* q, double* pdot, double* qdot) {
    ForwardDynamics(Of(), w, p, q, pdot, qdot, Friction);
  }
  static void Step(Workspace& w, double* p, double* q) {
    HeunStep(Of(), w, p, q, BenchmarkStepSize, Friction);
  }
  static void Batch(Workspace& w, double* p, double* q, int count) {
    StepChains(Of(), w, p, q, count, BenchmarkStepSize, Friction);
  }
};

struct OnTree {
  using Workspace = ModelWorkspace;
  static const Model& Of() {
    static const Model tree(TreeOfChain(ProgramChain().description()));
    return tree;
  }
  static void Evaluate(Workspace& w, const double* p, const double* q, double* pdot, double* qdot) {
    ForwardDynamics(Of(), w, p, q, pdot, qdot);
  }
  static void Step(Workspace& w, double* p, double* q) {
    pendula::Step(Of(), w, p, q, BenchmarkStepSize);
  }
  static void Batch(Workspace& w, double* p, double* q, int count) {
    StepStates(Of(), w, p, q, count, BenchmarkStepSize);
  }
};

template <typename On>
void ChainForwardDynamics(benchmark::State& state) {
  const ChainStateSet& states = BenchmarkStates();
  typename On::Workspace workspace(On::Of());
  double momentumRates[20], jointRates[20];
  int s = 0;
  for (auto _ : state) {
    On::Evaluate(workspace, states.momenta[s], states.angles[s], momentumRates, jointRates);
    benchmark::DoNotOptimize(momentumRates);
    benchmark::DoNotOptimize(jointRates);
    s = (s + 1) % StateCount;
  }
}

template <typename On>
void ChainHeunStep(benchmark::State& state) {
  static ChainStateSet chains;
  chains = BenchmarkStates();
  typename On::Workspace workspace(On::Of());
  int s = 0;
  for (auto _ : state) {
    On::Step(workspace, chains.momenta[s], chains.angles[s]);
    benchmark::DoNotOptimize(chains.momenta[s]);
    benchmark::DoNotOptimize(chains.angles[s]);
    s = (s + 1) % StateCount;
  }
}

// The 256 states in one call; the counter is the time per evaluation of one chain.
template <typename On>
void ChainStepChains(benchmark::State& state) {
  static ChainStateSet chains;
  chains = BenchmarkStates();
  typename On::Workspace workspace(On::Of());
  for (auto _ : state) {
    On::Batch(workspace, &chains.momenta[0][0], &chains.angles[0][0], StateCount);
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

// Registers the three timings of one set of calls, their names ending in `suffix`. With
// `sameStates`, the steps run a fixed count from the same start, so that two sets of calls that
// give the same bits step through the same states.
template <typename On>
bool RegisterChainCalls(const std::string& suffix, bool sameStates) {
  benchmark::RegisterBenchmark(("Chain/ForwardDynamics" + suffix).c_str(), ChainForwardDynamics<On>)
      ->Unit(benchmark::kNanosecond);
  auto* step = benchmark::RegisterBenchmark(("Chain/HeunStep" + suffix).c_str(), ChainHeunStep<On>)
                   ->Unit(benchmark::kNanosecond);
  auto* batch = benchmark::RegisterBenchmark(("Chain/StepChains/256chains" + suffix).c_str(),
                                             ChainStepChains<On>)
                    ->Unit(benchmark::kMicrosecond);
  if (sameStates) {
    step->Iterations(100000);
    batch->Iterations(2000);
  }
  return true;
}

const bool registered = RegisterChainCalls<OnChain<true>>("", false) &&
                        RegisterChainCalls<OnChain<false>>("/frictionless", true) &&
                        RegisterChainCalls<OnTree>("/as_tree", true);
BENCHMARK(ChainIdlePass)->Name("Chain/IdlePass/100chains")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
