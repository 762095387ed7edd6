// One idle pass of the simulation: HeunStep on all 100 chains of a World that starts in its
// start-up state, with the start-up friction and torque; nothing is drawn. Timed as the step
// alone, as the program runs it (the step, then the check that restarts chains gone non-finite),
// and the check alone, so that the check's share of the pass can be read off one run; and one
// pass repeated from a single state, so that the sine table's misses can be read off too.
#include <benchmark/benchmark.h>

#include <chrono>
#include <iostream>

#include "app/chain_restart.h"
#include "app/idle_pass.h"
#include "app/world.h"
#include "bench/chain_states.h"
#include "pendula/dynamics.h"
#include "viewer/drive_settings.h"

namespace pendula {
namespace bench {
namespace {

// The World is rewound to its start-up state after this many passes (12 simulated seconds), so
// the timed passes are the first seconds of the program, whatever the iteration count.
constexpr int PassesBeforeRewind = 1000;

World startUpWorld;
World world;
StartUpState startUpState;

// The start-up sequence's part for the World: angles and zero rates, the model, the momenta.
void MakeStartUpWorld() {
  SetInitialAnglesAndRates(startUpWorld);
  BenchmarkStates();  // builds the model
  for (int i = 0; i < ChainCount; ++i) {
    MomentumInitialisation(startUpWorld.momenta[i], startUpWorld.angles[i],
                           startUpWorld.initialRates[i]);
  }
}

// withRestartCheck: the whole pass as the idle handler runs it; otherwise the step alone.
template <bool withRestartCheck>
void IdlePass(benchmark::State& state) {
  MakeStartUpWorld();
  RecordStartUpState(startUpWorld, startUpState);
  world = startUpWorld;
  const DriveSettings settings = InitialDriveSettings();
  int passes = 0;
  for (auto _ : state) {
    StepAllChains(world, settings);
    // At the start-up friction no chain overflows, so nothing is printed.
    if (withRestartCheck) RestartNonFiniteChains(world, startUpState, std::cout);
    benchmark::DoNotOptimize(world);
    if (++passes == PassesBeforeRewind) {
      state.PauseTiming();
      world = startUpWorld;
      passes = 0;
      state.ResumeTiming();
    }
  }
}

// The 301st pass, from the state after 300, over and over: every table line it reads is
// then in cache, and the values, so the arithmetic, are those of a real pass. Its difference from
// IdlePass/100chains is what the table's misses cost the program's pass. Only the step is timed,
// not the copy of the state that starts each iteration.
void IdlePassRepeated(benchmark::State& state) {
  MakeStartUpWorld();
  World held = startUpWorld;
  const DriveSettings settings = InitialDriveSettings();
  for (int pass = 0; pass < 300; ++pass) StepAllChains(held, settings);
  for (auto _ : state) {
    world = held;
    const auto began = std::chrono::steady_clock::now();
    StepAllChains(world, settings);
    const auto ended = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(world);
    state.SetIterationTime(std::chrono::duration<double>(ended - began).count());
  }
}

// The check alone on a finite World, the case of nearly every pass: all 4,000 values read.
void RestartCheck(benchmark::State& state) {
  MakeStartUpWorld();
  RecordStartUpState(startUpWorld, startUpState);
  world = startUpWorld;
  for (auto _ : state) {
    benchmark::DoNotOptimize(RestartNonFiniteChains(world, startUpState, std::cout));
    benchmark::ClobberMemory();
  }
}

BENCHMARK(IdlePass<false>)->Name("IdlePass/100chains")->Unit(benchmark::kMicrosecond);
BENCHMARK(IdlePass<true>)
    ->Name("IdlePass/100chainsWithRestartCheck")
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(IdlePassRepeated)
    ->Name("IdlePass/100chainsRepeated")
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(RestartCheck)->Name("RestartCheck/100chains")->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
