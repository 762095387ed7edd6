// Scaling/bullet/N: Bullet's btMultiBody forward dynamics on the chain of N links, over the
// scaling states.
#include <benchmark/benchmark.h>

#include <vector>

#include "bench/bullet/bullet_chain.h"
#include "bench/scaling_states.h"

namespace pendula {
namespace bench {
namespace {

using comparison::BulletChain;
using comparison::BulletJointAccelerations;
using comparison::MakeBulletChain;
using comparison::SetBulletState;

// Each iteration sets one state (Bullet turns each angle into its cached link rotation, and the
// weights are applied anew) and computes the joint accelerations, as mj_forward does from a
// copied-in state in Scaling/mujoco/N.
void BulletScaling(benchmark::State& state) {
  const int links = static_cast<int>(state.range(0));
  const ScalingStateSet& states = ScalingStates(links);
  BulletChain chain = MakeBulletChain(links);
  std::vector<double> accelerations(links);
  int s = 0;
  for (auto _ : state) {
    SetBulletState(chain, states.Angles(s), states.JointRates(s));
    BulletJointAccelerations(chain, accelerations.data());
    benchmark::DoNotOptimize(accelerations.data());
    benchmark::ClobberMemory();
    s = NextScalingState(s);
  }
}

BENCHMARK(BulletScaling)
    ->Name("Scaling/bullet")
    ->Apply(ForEachScalingLength)
    ->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
