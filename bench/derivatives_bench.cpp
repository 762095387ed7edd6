// The exact Jacobian of the dynamics (derivatives.h) beside one forward-dynamics evaluation of
// the same model on the same states: the program's 20-link chain with exact sines, one state and
// a batch of 64 (per_state), and the 51-joint twisted chain as a tree, one state and a batch of
// 64 (Model/ForwardDynamics/twisted_chain_51 in model_bench.cpp is its evaluation).
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/model_states.h"
#include "pendula/chain.h"
#include "pendula/derivatives.h"
#include "pendula/model.h"
#include "tests/support/random_chain.h"
#include "tests/support/random_tree.h"

namespace pendula {
namespace bench {
namespace {

constexpr int States = ModelStateCount;

const Chain& ExactProgramChain() {
  static const Chain chain = [] {
    ChainDescription description = Chain::Program().description();
    description.trigonometry = Trigonometry::Exact;
    return Chain(description);
  }();
  return chain;
}

struct Blocks {
  explicit Blocks(int n, int count = 1)
      : pp(std::size_t(n) * n * count), pq(pp.size()), qp(pp.size()), qq(pp.size()) {}
  std::vector<double> pp, pq, qp, qq;
  DynamicsJacobian Out() { return {pp.data(), pq.data(), qp.data(), qq.data()}; }
};

void ChainForwardDynamicsExact(benchmark::State& state) {
  const Chain& chain = ExactProgramChain();
  ChainWorkspace workspace(chain);
  const StateSet s = ModelStates(20, 3);
  double pdot[20], qdot[20];
  int k = 0;
  for (auto _ : state) {
    ForwardDynamics(chain, workspace, &s.p[std::size_t{20} * k], &s.q[std::size_t{20} * k], pdot,
                    qdot);
    benchmark::DoNotOptimize(pdot);
    benchmark::DoNotOptimize(qdot);
    k = (k + 1) % States;
  }
}

void ChainDerivatives(benchmark::State& state) {
  const Chain& chain = ExactProgramChain();
  DerivativesWorkspace workspace(chain);
  const StateSet s = ModelStates(20, 3);
  Blocks b(20);
  int k = 0;
  for (auto _ : state) {
    Derivatives(chain, workspace, &s.p[std::size_t{20} * k], &s.q[std::size_t{20} * k], b.Out());
    benchmark::DoNotOptimize(b.pq.data());
    k = (k + 1) % States;
  }
}

void ChainDerivativesOfStates(benchmark::State& state) {
  const Chain& chain = ExactProgramChain();
  DerivativesWorkspace workspace(chain);
  const StateSet s = ModelStates(20, 3);
  Blocks b(20, States);
  for (auto _ : state) {
    DerivativesOfStates(chain, workspace, s.p.data(), s.q.data(), States, b.Out());
    benchmark::DoNotOptimize(b.pq.data());
  }
  state.counters["per_state"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * States,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void TreeDerivatives(benchmark::State& state) {
  static const Model model(TreeOfChain(testing::RandomChain(51, 51, false, Trigonometry::Exact)));
  const int n = model.jointCount();
  DerivativesWorkspace workspace(model);
  const StateSet s = ModelStates(n, 1);
  Blocks b(n);
  int k = 0;
  for (auto _ : state) {
    Derivatives(model, workspace, &s.p[std::size_t(k) * n], &s.q[std::size_t(k) * n], b.Out());
    benchmark::DoNotOptimize(b.pq.data());
    k = (k + 1) % States;
  }
}

void TreeDerivativesOfStates(benchmark::State& state) {
  static const Model model(TreeOfChain(testing::RandomChain(51, 51, false, Trigonometry::Exact)));
  const int n = model.jointCount();
  DerivativesWorkspace workspace(model);
  const StateSet s = ModelStates(n, 1);
  Blocks b(n, States);
  for (auto _ : state) {
    DerivativesOfStates(model, workspace, s.p.data(), s.q.data(), States, b.Out());
    benchmark::DoNotOptimize(b.pq.data());
  }
  state.counters["per_state"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * States,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

BENCHMARK(ChainForwardDynamicsExact)
    ->Name("Derivatives/ForwardDynamics/program_chain_exact")
    ->Unit(benchmark::kNanosecond);
BENCHMARK(ChainDerivatives)
    ->Name("Derivatives/Jacobian/program_chain_exact")
    ->Unit(benchmark::kNanosecond);
BENCHMARK(ChainDerivativesOfStates)
    ->Name("Derivatives/JacobianOfStates/program_chain_exact/64states")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(TreeDerivatives)
    ->Name("Derivatives/Jacobian/twisted_chain_51")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(TreeDerivativesOfStates)
    ->Name("Derivatives/JacobianOfStates/twisted_chain_51/64states")
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
