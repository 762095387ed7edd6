// One chain: the start-up momenta, one evaluation of the dynamics, one Heun step. Each iteration
// is one call on the next of the benchmark states, so the times are per call.
#include <benchmark/benchmark.h>

#include "bench/chain_states.h"
#include "dynamics/dynamics.h"

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

// Steps copies of the states two at a time, as the idle pass does; one iteration is one call,
// which advances two chains.
void HeunStepOfTwoChains(benchmark::State& state) {
  static ChainStateSet chains;
  chains = BenchmarkStates();
  int s = 0;
  for (auto _ : state) {
    const int t = NextState(s);
    HeunStepPair(chains.momenta[s], chains.angles[s], chains.momenta[t], chains.angles[t],
                 FrictionCoefficient, AppliedTorque);
    benchmark::DoNotOptimize(chains.momenta[s]);
    benchmark::DoNotOptimize(chains.momenta[t]);
    s = NextState(t);
  }
}

BENCHMARK(MomentumInitialisationOfOneChain)
    ->Name("MomentumInitialisation")
    ->Unit(benchmark::kNanosecond);
BENCHMARK(ForwardDynamicsOfOneChain)->Name("ForwardDynamics")->Unit(benchmark::kNanosecond);
BENCHMARK(HeunStepOfOneChain)->Name("HeunStep")->Unit(benchmark::kNanosecond);
BENCHMARK(HeunStepOfTwoChains)->Name("HeunStepPair")->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
