// What the peers' benchmarks share: Peers/<engine>/<robot> for every robot of bench_robots.h,
// each robot loaded on its first run and kept (one that cannot be loaded skips its benchmark
// with the reason), each iteration one state of ModelStates(n, 1) after another, and the time
// per joint as the counter.
#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "bench/model_states.h"
#include "bench/peers/bench_robots.h"

namespace pendula {
namespace bench {

// load(robot) -> std::unique_ptr<Loaded>; evaluate(loaded, p, q) computes the forward dynamics
// of the state whose n positions are q and n joint rates are p's values.
template <class Loaded, class Load, class Evaluate>
bool RegisterPeerBenchmarks(const std::string& engine, Load load, Evaluate evaluate) {
  static const std::vector<BenchRobot> robots = BenchRobots();
  static std::vector<std::unique_ptr<Loaded>> loaded(robots.size());
  for (std::size_t r = 0; r != robots.size(); ++r) {
    benchmark::RegisterBenchmark(("Peers/" + engine + "/" + robots[r].name).c_str(),
                                 [r, load, evaluate](benchmark::State& state) {
                                   try {
                                     if (!loaded[r]) loaded[r] = load(robots[r]);
                                   } catch (const std::exception& e) {
                                     state.SkipWithError(e.what());
                                     return;
                                   }
                                   Loaded& robot = *loaded[r];
                                   const int n =
                                       static_cast<int>(robots[r].description.joints.size());
                                   const StateSet s = ModelStates(n, 1);
                                   int k = 0;
                                   for (auto _ : state) {
                                     evaluate(robot, &s.p[static_cast<std::size_t>(k) * n],
                                              &s.q[static_cast<std::size_t>(k) * n]);
                                     benchmark::ClobberMemory();
                                     k = (k + 1) % ModelStateCount;
                                   }
                                   state.counters["per_joint"] = benchmark::Counter(
                                       static_cast<double>(state.iterations()) * n,
                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
                                 });
  }
  return true;
}

}  // namespace bench
}  // namespace pendula
