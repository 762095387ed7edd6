// MuJoCo and DART against each other on the same URDF files: the check of the peer layer itself
// (each peer's reading of the file, the joint order by name, the switched-off limits and
// contacts, the explicit damping, the energy of the moving bodies), before either is held
// against pendula.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "tests/peers/peer.h"
#include "tests/peers/robots.h"

namespace pendula {
namespace peers {
namespace {

constexpr int StatesPerRobot = 5;

// Two engines that take exact sines and cosines differ by rounding alone: the mass matrix, the
// momenta and the energy are sums of products of the file's numbers with the frames' sines, and
// agree to a few ulps of their size (the largest difference here is 1e-14; MuJoCo's
// featherweight massless links, mujoco_urdf.cpp, add less than 1e-13). The accelerations come
// from a solve with M(q), which magnifies rounding by M's condition (the largest difference here
// is 1.5e-13). A misread file (an inertial frame turned the wrong way, a damping lost, a limit in
// force, gravity 9.81) differs by 1e-4 or far more.
constexpr double RoundingTolerance = 1e-12;
constexpr double SolveTolerance = 1e-10;

class PeersAgree : public ::testing::TestWithParam<Robot> {};

TEST_P(PeersAgree, OnMassMatrixMomentaAccelerationsAndEnergy) {
  const Robot& robot = GetParam();
  const std::string path = RobotFile(robot);
  if (path.empty()) GTEST_SKIP() << robot.file << " is not installed (Debian's dart-doc)";
  std::unique_ptr<Peer> mujoco = LoadMuJoCo(path), dart;
  if (mujoco != nullptr) dart = LoadDart(path, mujoco->jointNames());
  if (robot.file.empty()) std::remove(path.c_str());
  if (mujoco == nullptr || dart == nullptr) GTEST_SKIP() << "needs both MuJoCo and DART";

  const int n = static_cast<int>(mujoco->jointNames().size());
  Differences worst;
  for (const State& s : RandomStates(n, StatesPerRobot, robot.seed + 100)) {
    const PeerDynamics a = mujoco->Evaluate(s.positions, s.rates);
    const PeerDynamics b = dart->Evaluate(s.positions, s.rates);
    const Differences d = {RelativeDifference(b.massMatrix, a.massMatrix),
                           RelativeDifference(b.momenta, a.momenta),
                           RelativeDifference(b.accelerations, a.accelerations),
                           EnergyDifference(b.kinetic + b.potential, a)};
    EXPECT_LE(d.massMatrix, RoundingTolerance);
    EXPECT_LE(d.momenta, RoundingTolerance);
    EXPECT_LE(d.accelerations, SolveTolerance);
    EXPECT_LE(d.energy, RoundingTolerance);
    KeepLargest(worst, d);
  }
  Report(robot.name, "DART vs MuJoCo", worst);
}

INSTANTIATE_TEST_SUITE_P(Robots, PeersAgree, ::testing::ValuesIn(Robots()),
                         [](const ::testing::TestParamInfo<Robot>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace peers
}  // namespace pendula
