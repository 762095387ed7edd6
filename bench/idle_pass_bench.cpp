// One idle pass of the simulation, as the program runs it: HeunStep on all 100 chains of a World
// that starts in its start-up state, with the start-up friction and torque. Nothing is drawn.
#include <benchmark/benchmark.h>

#include "app/idle_pass.h"
#include "app/world.h"
#include "bench/chain_states.h"
#include "dynamics/dynamics.h"
#include "viewer/drive_settings.h"

namespace pendula {
namespace bench {
namespace {

// The World is rewound to its start-up state after this many passes (12 simulated seconds), so
// the timed passes are the first seconds of the program, whatever the iteration count.
constexpr int PassesBeforeRewind = 1000;

World startUpWorld;
World world;

// The start-up sequence's part for the World: angles and zero rates, the model, the momenta.
void MakeStartUpWorld() {
  SetInitialAnglesAndRates(startUpWorld);
  BenchmarkStates();  // builds the model
  for (int i = 0; i < ChainCount; ++i) {
    MomentumInitialisation(startUpWorld.momenta[i], startUpWorld.angles[i],
                           startUpWorld.initialRates[i]);
  }
}

void IdlePass(benchmark::State& state) {
  MakeStartUpWorld();
  world = startUpWorld;
  const DriveSettings settings = InitialDriveSettings();
  int passes = 0;
  for (auto _ : state) {
    StepAllChains(world, settings);
    benchmark::DoNotOptimize(world);
    if (++passes == PassesBeforeRewind) {
      state.PauseTiming();
      world = startUpWorld;
      passes = 0;
      state.ResumeTiming();
    }
  }
}

BENCHMARK(IdlePass)->Name("IdlePass/100chains")->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
