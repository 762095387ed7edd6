// DART's forward dynamics on the robots of bench_robots.h, loaded as the agreement tests load
// them, on the states of model_bench.cpp's ForwardDynamics: each iteration sets one state's
// positions and rates (p's values) and computes the accelerations. The joints keep the file's
// damping in DART's own, implicit form (dart_skeleton.h). Counter: the time per joint.
#include <benchmark/benchmark.h>

#include <dart/dynamics/DegreeOfFreedom.hpp>
#include <dart/dynamics/Joint.hpp>
#include <dart/dynamics/Skeleton.hpp>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "bench/model_states.h"
#include "bench/peers/bench_robots.h"
#include "tests/peers/dart_skeleton.h"
#include "tests/peers/joint_order.h"

namespace pendula {
namespace bench {
namespace {

// A robot in DART, the degree of freedom of pendula's joint i, and the state's vectors.
struct DartRobot {
  dart::dynamics::SkeletonPtr skeleton;
  std::vector<int> dof;
  Eigen::VectorXd positions, rates;
};

std::unique_ptr<DartRobot> Load(const BenchRobot& robot) {
  auto r = std::make_unique<DartRobot>();
  r->skeleton = peers::LoadDartSkeleton(RobotFile(robot).path());
  std::vector<std::string> own, wanted;
  for (std::size_t k = 0; k < r->skeleton->getNumDofs(); ++k) {
    own.push_back(r->skeleton->getDof(k)->getJoint()->getName());
  }
  for (const Joint& joint : robot.description.joints) wanted.push_back(joint.name);
  r->dof = peers::JointOrder(own, wanted, "DART");
  r->positions.setZero(static_cast<Eigen::Index>(own.size()));
  r->rates.setZero(static_cast<Eigen::Index>(own.size()));
  return r;
}

// `loaded` keeps the robot from one run of the benchmark to the next.
void DartForwardDynamicsOf(benchmark::State& state, const BenchRobot& robot,
                           std::unique_ptr<DartRobot>& loaded) {
  try {
    if (!loaded) loaded = Load(robot);
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return;
  }
  dart::dynamics::Skeleton& skeleton = *loaded->skeleton;
  const int n = static_cast<int>(robot.description.joints.size());
  const StateSet s = ModelStates(n, 1);
  int k = 0;
  for (auto _ : state) {
    const double* p = &s.p[static_cast<std::size_t>(k) * n];
    const double* q = &s.q[static_cast<std::size_t>(k) * n];
    for (int i = 0; i < n; ++i) {
      loaded->positions[loaded->dof[i]] = q[i];
      loaded->rates[loaded->dof[i]] = p[i];
    }
    skeleton.setPositions(loaded->positions);
    skeleton.setVelocities(loaded->rates);
    skeleton.computeForwardDynamics();
    benchmark::ClobberMemory();
    k = (k + 1) % ModelStateCount;
  }
  state.counters["per_joint"] =
      benchmark::Counter(static_cast<double>(state.iterations()) * n,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

const bool registered = [] {
  static const std::vector<BenchRobot> robots = BenchRobots();
  static std::vector<std::unique_ptr<DartRobot>> loaded(robots.size());
  for (std::size_t r = 0; r != robots.size(); ++r) {
    benchmark::RegisterBenchmark(
        ("Peers/DartForwardDynamics/" + robots[r].name).c_str(),
        [r](benchmark::State& s) { DartForwardDynamicsOf(s, robots[r], loaded[r]); });
  }
  return true;
}();

}  // namespace
}  // namespace bench
}  // namespace pendula
