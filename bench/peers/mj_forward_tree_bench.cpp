// MuJoCo's mj_forward on the robots of bench_robots.h, loaded as the agreement tests load them
// (contacts and constraints off), on the states of model_bench.cpp's ForwardDynamics: each
// iteration writes one state's positions and rates (p's values) into mjData, as pendula reads
// its state from the caller's arrays, and runs mj_forward. Counter: the time per joint.
#include <benchmark/benchmark.h>
#include <mujoco/mujoco.h>

#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "bench/model_states.h"
#include "bench/peers/bench_robots.h"
#include "tests/peers/joint_order.h"
#include "tests/peers/mujoco_model.h"

namespace pendula {
namespace bench {
namespace {

// A robot in MuJoCo, and where pendula's joint i sits in qpos and qvel.
struct MuJoCoRobot {
  mjModel* model = nullptr;
  mjData* data = nullptr;
  std::vector<int> position, rate;
  ~MuJoCoRobot() {
    if (data != nullptr) mj_deleteData(data);
    if (model != nullptr) mj_deleteModel(model);
  }
};

std::unique_ptr<MuJoCoRobot> Load(const BenchRobot& robot) {
  auto r = std::make_unique<MuJoCoRobot>();
  r->model = peers::LoadMuJoCoModel(RobotFile(robot).path());
  r->data = mj_makeData(r->model);
  std::vector<std::string> own, wanted;
  for (int j = 0; j < r->model->njnt; ++j) own.push_back(mj_id2name(r->model, mjOBJ_JOINT, j));
  for (const Joint& joint : robot.description.joints) wanted.push_back(joint.name);
  for (int j : peers::JointOrder(own, wanted, "MuJoCo")) {
    r->position.push_back(r->model->jnt_qposadr[j]);
    r->rate.push_back(r->model->jnt_dofadr[j]);
  }
  return r;
}

// `loaded` keeps the robot from one run of the benchmark to the next.
void MjForwardOf(benchmark::State& state, const BenchRobot& robot,
                 std::unique_ptr<MuJoCoRobot>& loaded) {
  try {
    if (!loaded) loaded = Load(robot);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  const mjModel* m = loaded->model;
  mjData* d = loaded->data;
  const int n = static_cast<int>(robot.description.joints.size());
  const StateSet s = ModelStates(n, 1);
  int k = 0;
  for (auto _ : state) {
    const double* p = &s.p[static_cast<std::size_t>(k) * n];
    const double* q = &s.q[static_cast<std::size_t>(k) * n];
    for (int i = 0; i < n; ++i) {
      d->qpos[loaded->position[i]] = q[i];
      d->qvel[loaded->rate[i]] = p[i];
    }
    mj_forward(m, d);
    benchmark::DoNotOptimize(d->qacc);
    benchmark::ClobberMemory();
    k = (k + 1) % ModelStateCount;
  }
  state.counters["per_joint"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

const bool registered = [] {
  static const std::vector<BenchRobot> robots = BenchRobots();
  static std::vector<std::unique_ptr<MuJoCoRobot>> loaded(robots.size());
  for (std::size_t r = 0; r != robots.size(); ++r) {
    benchmark::RegisterBenchmark(
        ("Peers/MjForward/" + robots[r].name).c_str(),
        [r](benchmark::State& s) { MjForwardOf(s, robots[r], loaded[r]); });
  }
  return true;
}();

}  // namespace
}  // namespace bench
}  // namespace pendula
