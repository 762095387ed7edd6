// MuJoCo's mj_forward on the identical chain and the same states as pendula's ForwardDynamics:
// both turn a state (angles and rates, or angles and momenta) into its time derivative.
#include <benchmark/benchmark.h>

#include "bench/chain_states.h"
#include "bench/mujoco/mujoco_chain.h"

namespace pendula {
namespace bench {
namespace {

using comparison::FreeMuJoCoChain;
using comparison::MakeMuJoCoChain;
using comparison::MuJoCoChain;

constexpr int ProgramLinkCount = 20;

constexpr int NextState(int s) {
  return (s + 1) % StateCount;
}

// Each iteration copies the state in (40 doubles, a few nanoseconds) and runs mj_forward; the
// copy is timed too, since ForwardDynamics reads its state straight from the caller's arrays.
void MuJoCoForward(benchmark::State& state) {
  const ChainStateSet& states = BenchmarkStates();
  MuJoCoChain chain = MakeMuJoCoChain(ProgramLinkCount);
  if (chain.model == nullptr) {
    state.SkipWithError(chain.error);
    return;
  }
  mjData* d = chain.data;
  int s = 0;
  for (auto _ : state) {
    for (int k = 0; k < ProgramLinkCount; ++k) {
      d->qpos[k] = states.angles[s][k];
      d->qvel[k] = states.jointRates[s][k];
    }
    mj_forward(chain.model, d);
    benchmark::DoNotOptimize(d->qacc);
    benchmark::ClobberMemory();
    s = NextState(s);
  }
  FreeMuJoCoChain(chain);
}

BENCHMARK(MuJoCoForward)->Name("MuJoCo/mj_forward")->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
