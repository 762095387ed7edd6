// Trees built at run time (model.h): the forward dynamics of one state, and a batch of Heun steps,
// on the robots that Debian's dart-doc ships (when it is installed), a 20- and a 1,000-joint
// random tree, and the program's chain as a tree. Counters: the time per state and per joint.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>
#include <vector>

#include "bench/model_states.h"
#include "dynamics/tree/tree_model.h"
#include "pendula/chain.h"
#include "pendula/model.h"
#include "tests/support/random_chain.h"
#include "tests/support/random_tree.h"

namespace pendula {
namespace bench {
namespace {

constexpr int States = ModelStateCount;
const char* const RobotFolder = "/usr/share/doc/dart/data/";

void ForwardDynamicsOf(benchmark::State& state, const Model& model) {
  const int n = model.jointCount();
  ModelWorkspace workspace(model);
  const StateSet s = ModelStates(n, 1);
  std::vector<double> pdot(n), qdot(n);
  int k = 0;
  for (auto _ : state) {
    ForwardDynamics(model, workspace, &s.p[static_cast<std::size_t>(k) * n],
                    &s.q[static_cast<std::size_t>(k) * n], pdot.data(), qdot.data());
    benchmark::DoNotOptimize(pdot.data());
    benchmark::DoNotOptimize(qdot.data());
    k = (k + 1) % States;
  }
  state.counters["per_joint"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Heun steps of the 64 states in one call; per_state is the time of one state's evaluation.
// `width` > 0 carries that many states side by side instead of the widest lanes this CPU has
// (the workspace's lane storage, made for the widest, holds any narrower width's).
void StepStatesOf(benchmark::State& state, const Model& model, int width = 0) {
  const int n = model.jointCount();
  ModelWorkspace workspace(model);
  if (width > 0) ModelAccess::StorageOf(workspace).laneWidth = width;
  StateSet s = ModelStates(n, 2);
  for (auto _ : state) {
    StepStates(model, workspace, s.p.data(), s.q.data(), States, 1e-4);
    benchmark::DoNotOptimize(s.p.data());
  }
  state.counters["per_state"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * States * 2,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.counters["per_joint"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * States * 2 * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

bool Readable(const std::string& path) {
  return std::ifstream(path).good();
}

// Registered before main runs, as the BENCHMARK macros are.
const bool registered = [] {
  static std::vector<Model> models;
  models.reserve(16);
  auto add = [](const std::string& name, const ModelDescription& description) {
    models.emplace_back(description);
    const Model* m = &models.back();
    benchmark::RegisterBenchmark(("Model/ForwardDynamics/" + name).c_str(),
                                 [m](benchmark::State& s) { ForwardDynamicsOf(s, *m); });
    benchmark::RegisterBenchmark(("Model/StepStates/" + name).c_str(),
                                 [m](benchmark::State& s) { StepStatesOf(s, *m); });
  };
  const std::string wam = std::string(RobotFolder) + "urdf/wam/wam.urdf";
  const std::string atlas = std::string(RobotFolder) + "sdf/atlas/atlas_v3_no_head.urdf";
  if (Readable(wam)) {
    add("wam", LoadUrdf(wam));
    // The web page's width: WebAssembly SIMD holds two doubles.
    const Model* m = &models.back();
    benchmark::RegisterBenchmark("Model/StepStates/wam/lanes/2",
                                 [m](benchmark::State& s) { StepStatesOf(s, *m, 2); });
  }
  if (Readable(atlas)) add("atlas", LoadUrdf(atlas));
  add("program_chain", TreeOfChain(Chain::Program().description()));
  add("twisted_chain_51", TreeOfChain(testing::RandomChain(51, 51, false, Trigonometry::Exact)));
  add("random_tree_20", testing::RandomTree(20, 20));
  add("random_tree_1000", testing::RandomTree(1000, 1000));
  return true;
}();

}  // namespace
}  // namespace bench
}  // namespace pendula
