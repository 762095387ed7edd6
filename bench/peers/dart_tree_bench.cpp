// DART's forward dynamics on the robots of bench_robots.h, loaded as the agreement tests load
// them, on the states of model_bench.cpp's ForwardDynamics: each iteration sets one state's
// positions and rates (p's values) and computes the accelerations. The joints keep the file's
// damping in DART's own, implicit form (dart_skeleton.h). Counter: the time per joint.
#include <dart/dynamics/DegreeOfFreedom.hpp>
#include <dart/dynamics/Joint.hpp>
#include <dart/dynamics/Skeleton.hpp>
#include <memory>
#include <string>
#include <vector>

#include "bench/peers/bench_robots.h"
#include "bench/peers/peer_bench.h"
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

const bool registered = RegisterPeerBenchmarks<DartRobot>(
    "DartForwardDynamics", Load, [](DartRobot& robot, const double* p, const double* q) {
      for (std::size_t i = 0; i < robot.dof.size(); ++i) {
        robot.positions[robot.dof[i]] = q[i];
        robot.rates[robot.dof[i]] = p[i];
      }
      robot.skeleton->setPositions(robot.positions);
      robot.skeleton->setVelocities(robot.rates);
      robot.skeleton->computeForwardDynamics();
    });

}  // namespace
}  // namespace bench
}  // namespace pendula
