// Scaling/mujoco/N: MuJoCo's mj_forward on the chain of N links, over the scaling states.
#include <benchmark/benchmark.h>

#include "bench/mujoco/mujoco_chain.h"
#include "bench/scaling_states.h"

namespace pendula {
namespace bench {
namespace {

using comparison::FreeMuJoCoChain;
using comparison::MakeMuJoCoChain;
using comparison::MuJoCoChain;

// Each iteration copies one state in (2N doubles) and runs mj_forward, which computes the joint
// accelerations from it; the copy is timed too, as in the 20-link MuJoCo/mj_forward.
void MuJoCoScaling(benchmark::State& state) {
  const int links = static_cast<int>(state.range(0));
  const ScalingStateSet& states = ScalingStates(links);
  MuJoCoChain chain = MakeMuJoCoChain(links);
  if (chain.model == nullptr) {
    state.SkipWithError(chain.error);
    return;
  }
  mjData* d = chain.data;
  int s = 0;
  for (auto _ : state) {
    const double* angles = states.Angles(s);
    const double* jointRates = states.JointRates(s);
    for (int k = 0; k < links; ++k) {
      d->qpos[k] = angles[k];
      d->qvel[k] = jointRates[k];
    }
    mj_forward(chain.model, d);
    benchmark::DoNotOptimize(d->qacc);
    benchmark::ClobberMemory();
    s = NextScalingState(s);
  }
  FreeMuJoCoChain(chain);
}

BENCHMARK(MuJoCoScaling)
    ->Name("Scaling/mujoco")
    ->Apply(ForEachScalingLength)
    ->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
