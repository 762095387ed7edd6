// MuJoCo's mj_forward on the robots of bench_robots.h, loaded as the agreement tests load them
// (contacts and constraints off), on the states of model_bench.cpp's ForwardDynamics: each
// iteration writes one state's positions and rates (p's values) into mjData, as pendula reads
// its state from the caller's arrays, and runs mj_forward. Counter: the time per joint.
#include <benchmark/benchmark.h>
#include <mujoco/mujoco.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/peers/bench_robots.h"
#include "bench/peers/peer_bench.h"
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

const bool registered = RegisterPeerBenchmarks<MuJoCoRobot>(
    "MjForward", Load, [](MuJoCoRobot& robot, const double* p, const double* q) {
      for (std::size_t i = 0; i < robot.position.size(); ++i) {
        robot.data->qpos[robot.position[i]] = q[i];
        robot.data->qvel[robot.rate[i]] = p[i];
      }
      mj_forward(robot.model, robot.data);
      benchmark::DoNotOptimize(robot.data->qacc);
    });

}  // namespace
}  // namespace bench
}  // namespace pendula
