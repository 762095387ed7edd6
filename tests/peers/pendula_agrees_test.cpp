// pendula against MuJoCo and DART on robots read from URDF files: the robot as LoadUrdf describes
// it, the peers loading the same file (peer.h), the arrays matched by joint name. The mass
// matrix, the momenta, the joint rates from the momenta, the accelerations and the energy, on
// random states of WAM, Atlas v3 and random trees; peers_agree_test.cpp holds the peers to each
// other on the same robots, which is what makes them a reference here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "pendula/model.h"
#include "tests/peers/peer.h"
#include "tests/peers/robots.h"

namespace pendula {
namespace peers {
namespace {

constexpr int StatesPerRobot = 5;

// A loaded model takes exact sines, so pendula and a peer differ by rounding alone: the largest
// differences in the mass matrix, the momenta and the energy are about 1e-14 (the test prints
// them), the joint rates from the momenta, which come from a solve and carry the mass matrix's
// condition, below 5e-13. A lost or misplaced term, an inertia turned the wrong way or a gravity
// of 9.8066 differs by 3e-6 or far more.
constexpr double Tolerance = 1e-9;

// pendula gives no q̈; it is the derivative of its q̇(p, q) along the motion, (ṗ, q̇), taken here
// by the 5-point central difference of step δ (seconds). Its truncation error δ⁴ q⁽⁵⁾/30 is 9e-9
// relative at δ = 1e-3 on Atlas (light hands and feet turn fastest) and falls as δ⁴; its rounding
// error, ε·|q̇|/δ magnified by the condition of A(q), grows as 1/δ. At δ = 1e-4 truncation is
// down to 1e-12 and the largest difference seen is 8e-12 (a random tree); the bound is over 100
// times that. An error in a Coriolis term, a damping or the gravity is 1e-6 or far more.
constexpr double Delta = 1e-4;
constexpr double DifferenceTolerance = 1e-9;

using pendula::Model;

// q̇(p + s ṗ, q + s q̇) at s = offset.
Vector RatesAlong(const Model& model, ModelWorkspace& workspace, const Vector& p, const Vector& q,
                  const Vector& pdot, const Vector& qdot, double offset) {
  const std::size_t n = p.size();
  Vector ps(n), qs(n), pdotS(n), qdotS(n);
  for (std::size_t i = 0; i < n; ++i) {
    ps[i] = p[i] + offset * pdot[i];
    qs[i] = q[i] + offset * qdot[i];
  }
  ForwardDynamics(model, workspace, ps.data(), qs.data(), pdotS.data(), qdotS.data());
  return qdotS;
}

// pendula's q̈ at (p, q): d/ds q̇(p + s ṗ, q + s q̇) at s = 0, by the 5-point central difference.
Vector Accelerations(const Model& model, ModelWorkspace& workspace, const Vector& p,
                     const Vector& q) {
  const std::size_t n = p.size();
  Vector pdot(n), qdot(n);
  ForwardDynamics(model, workspace, p.data(), q.data(), pdot.data(), qdot.data());
  const Vector m2 = RatesAlong(model, workspace, p, q, pdot, qdot, -2 * Delta);
  const Vector m1 = RatesAlong(model, workspace, p, q, pdot, qdot, -Delta);
  const Vector p1 = RatesAlong(model, workspace, p, q, pdot, qdot, Delta);
  const Vector p2 = RatesAlong(model, workspace, p, q, pdot, qdot, 2 * Delta);
  Vector a(n);
  for (std::size_t i = 0; i < n; ++i) {
    a[i] = (m2[i] - 8 * m1[i] + 8 * p1[i] - p2[i]) / (12 * Delta);
  }
  return a;
}

class PendulaAgrees : public ::testing::TestWithParam<Robot> {};

TEST_P(PendulaAgrees, WithEachPeerOnMassMatrixMomentaRatesAccelerationsAndEnergy) {
  const Robot& robot = GetParam();
  const std::string path = RobotFile(robot);
  if (path.empty()) GTEST_SKIP() << robot.file << " is not installed (Debian's dart-doc)";
  const ModelDescription description = LoadUrdf(path);
  std::vector<std::string> names;
  for (const Joint& joint : description.joints) names.push_back(joint.name);
  std::vector<std::unique_ptr<Peer>> peers;
  for (auto load : {LoadMuJoCo, LoadDart}) {
    std::unique_ptr<Peer> peer = load(path, names);
    if (peer != nullptr) peers.push_back(std::move(peer));
  }
  if (robot.file.empty()) std::remove(path.c_str());
  if (peers.empty()) GTEST_SKIP() << "needs MuJoCo or DART";

  const Model model(description);
  ModelWorkspace workspace(model);
  const int n = model.jointCount();
  for (const std::unique_ptr<Peer>& peer : peers) {
    Differences worst;
    double worstRates = 0.0;
    for (const State& s : RandomStates(n, StatesPerRobot, robot.seed + 200)) {
      const PeerDynamics expected = peer->Evaluate(s.positions, s.rates);
      Vector A(static_cast<std::size_t>(n) * n), p(n), pdot(n), rates(n);
      MassMatrix(model, workspace, s.positions.data(), A.data());
      MomentumInitialisation(model, workspace, p.data(), s.positions.data(), s.rates.data());
      // q̇ = A(q)^-1 p from the peer's momenta: pendula's solve, given the peer's M(q)·q̇.
      ForwardDynamics(model, workspace, expected.momenta.data(), s.positions.data(), pdot.data(),
                      rates.data());
      const Differences d = {
          RelativeDifference(A, expected.massMatrix), RelativeDifference(p, expected.momenta),
          RelativeDifference(Accelerations(model, workspace, p, s.positions),
                             expected.accelerations),
          EnergyDifference(Energy(model, workspace, p.data(), s.positions.data()), expected)};
      const double rateDifference = RelativeDifference(rates, s.rates);
      EXPECT_LE(d.massMatrix, Tolerance) << peer->name();
      EXPECT_LE(d.momenta, Tolerance) << peer->name();
      EXPECT_LE(rateDifference, Tolerance) << peer->name();
      EXPECT_LE(d.accelerations, DifferenceTolerance) << peer->name();
      EXPECT_LE(d.energy, Tolerance) << peer->name();
      KeepLargest(worst, d);
      worstRates = std::fmax(worstRates, rateDifference);
    }
    Report(robot.name, std::string("pendula vs ") + peer->name(), worst);
    std::printf("%-12s %-16s q' from p %.1e\n", robot.name.c_str(), "", worstRates);
  }
}

INSTANTIATE_TEST_SUITE_P(Robots, PendulaAgrees, ::testing::ValuesIn(Robots()),
                         [](const ::testing::TestParamInfo<Robot>& info) {
                           return info.param.name;
                         });

}  // namespace
}  // namespace peers
}  // namespace pendula
