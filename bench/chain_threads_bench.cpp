// ChainStepChainsOnThreads/<threads>/<chains>: one Heun step of a batch of copies of the
// benchmark states, the program's chain stepped on a ChainThreads made once with a thread per
// core; threads 0 is the default rule. The counter gives the time per chain-evaluation (a step
// makes two per chain), so rows of one chain count compare thread counts directly.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

#include "bench/chain_states.h"
#include "dynamics/batch/chain_threads.h"

namespace pendula {
namespace bench {
namespace {

constexpr double StartUpFriction = 5.0;  // the program's, on every joint
// The batch is rewound to its first states after this many steps (1.2 simulated seconds).
constexpr int StepsBeforeRewind = 100;

// The momenta of `chains` copies of the benchmark states, row by row, then their angles.
std::vector<double> FirstStates(int chains) {
  const ChainStateSet& states = BenchmarkStates();
  std::vector<double> first(static_cast<std::size_t>(chains) * 40);
  for (int i = 0; i < chains; ++i) {
    for (int k = 0; k < 20; ++k) {
      first[i * 20 + k] = states.momenta[i % StateCount][k];
      first[(chains + i) * 20 + k] = states.angles[i % StateCount][k];
    }
  }
  return first;
}

// Times step() on the batch, one Heun step of every chain a call, rewinding the batch to `first`
// every StepsBeforeRewind steps outside the timing, and counts the time per chain-evaluation.
template <typename Step>
void TimeHeunSteps(benchmark::State& state, const std::vector<double>& first,
                   std::vector<double>& batch, int chains, Step step) {
  int steps = 0;
  for (auto _ : state) {
    if (++steps == StepsBeforeRewind) {
      state.PauseTiming();
      std::copy(first.begin(), first.end(), batch.begin());
      steps = 0;
      state.ResumeTiming();
    }
    step();
    benchmark::ClobberMemory();
  }
  state.counters["per_evaluation"] =
      benchmark::Counter(2.0 * chains * static_cast<double>(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

const Chain& ProgramChain() {
  static const Chain chain = Chain::Program();
  return chain;
}

ChainThreads& BenchmarkChainThreads() {
  static ChainThreads onThreads(ProgramChain(), 0);
  return onThreads;
}

void ChainStepChainsOnThreadsBench(benchmark::State& state) {
  const int threads = static_cast<int>(state.range(0));
  const int chains = static_cast<int>(state.range(1));
  const Chain& chain = ProgramChain();
  ChainThreads& onThreads = BenchmarkChainThreads();
  const std::vector<double> first = FirstStates(chains);
  std::vector<double> batch = first;
  double* momenta = batch.data();
  double* angles = batch.data() + static_cast<std::ptrdiff_t>(chains) * 20;
  const JointTorques noTorques;
  TimeHeunSteps(state, first, batch, chains, [&] {
    StepChains(chain, onThreads, momenta, angles, chains, BenchmarkStepSize, StepMethod::Heun,
               StartUpFriction, noTorques, {}, threads);
  });
  state.SetLabel(std::to_string(ThreadsForChainBatch(onThreads.ThreadCount(), chain, chains,
                                                     StepMethod::Heun, threads)) +
                 " threads used");
}

BENCHMARK(ChainStepChainsOnThreadsBench)
    ->Name("ChainStepChainsOnThreads")
    ->ArgNames({"threads", "chains"})
    ->ArgsProduct({{1, 2, 0}, {100, 1000, 10000}})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();

}  // namespace
}  // namespace bench
}  // namespace pendula
