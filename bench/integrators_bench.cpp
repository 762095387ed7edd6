// One step of the program's 100 chains by each method of a chain built at run time, from the
// state they reach after 10 s at friction 5 (the chains still swing), without friction, with the
// sine table and with smooth sines; the evaluations per chain and step beside the time. Heun and
// rk4 step the batch in lanes; the midpoint rule solves chain by chain.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

#include "pendula/chain.h"
#include "pendula/dynamics.h"
#include "pendula/program_chain.h"

namespace pendula {
namespace bench {
namespace {

constexpr int Chains = ProgramChainCount, Links = ProgramLinkCount;
// Values in one state array of the 100 chains.
constexpr std::ptrdiff_t Values = std::ptrdiff_t{Chains} * Links;

// The program's start-up state advanced 10 s at friction 5 by the program's own step.
const std::vector<double>& SwingingState() {
  static const std::vector<double> state = [] {
    setUpModel(ProgramStepSize);
    std::vector<double> momenta(Values, 0.0), angles(Values, 0.0);
    for (int i = 0; i < Chains; ++i) angles[std::size_t{Links} * i] = ProgramStartAngleStep * i;
    for (int pass = 0; pass < 834; ++pass) {
      StepChains(reinterpret_cast<double(*)[Links]>(momenta.data()),
                 reinterpret_cast<double(*)[Links]>(angles.data()), Chains, 5.0, 0.0);
    }
    momenta.insert(momenta.end(), angles.begin(), angles.end());
    return momenta;
  }();
  return state;
}

void MethodStep(benchmark::State& state) {
  const auto method = static_cast<StepMethod>(state.range(0));
  ChainDescription description = Chain::Program().description();
  description.trigonometry = state.range(1) != 0 ? Trigonometry::Exact : Trigonometry::Table;
  const Chain chain(description);
  ChainWorkspace workspace(chain);
  const std::vector<double>& start = SwingingState();
  std::vector<double> p(start.begin(), start.begin() + Values);
  std::vector<double> q(start.begin() + Values, start.end());
  long evaluations = 0, steps = 0;
  for (auto _ : state) {
    // Each timed call steps the same state, so the cost does not drift as the chains move.
    state.PauseTiming();
    std::copy(start.begin(), start.begin() + Values, p.begin());
    std::copy(start.begin() + Values, start.end(), q.begin());
    state.ResumeTiming();
    const BatchStepStatus status =
        StepChains(chain, workspace, p.data(), q.data(), Chains, ProgramStepSize, method, 0.0, {},
                   NewtonSettings{1e-10, 20});
    evaluations += status.evaluations;
    ++steps;
    benchmark::DoNotOptimize(p.data());
  }
  state.counters["evaluations_per_chain_step"] =
      static_cast<double>(evaluations) / (static_cast<double>(steps) * Chains);
}
BENCHMARK(MethodStep)
    ->ArgNames({"method", "exact"})
    ->ArgsProduct({{static_cast<int>(StepMethod::Heun), static_cast<int>(StepMethod::Rk4),
                    static_cast<int>(StepMethod::Midpoint)},
                   {0, 1}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
