#include "tests/agreement/chain_engines.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>

#include "tests/dynamics/chain_fixture.h"
#include "tests/support/planar_chain_reference.h"
#ifdef PENDULA_HAVE_MUJOCO
#include "bench/mujoco/mujoco_chain.h"
#include "bench/mujoco/mujoco_rates.h"
#endif
#ifdef PENDULA_HAVE_BULLET
#include "bench/bullet/bullet_chain.h"
#include "bench/bullet/bullet_rates.h"
#endif

namespace pendula {
namespace agreement {
namespace {

// Engines that take exact sines and cosines differ from the exact dynamics by rounding alone,
// magnified where a result comes from a solve with M(q) by M's condition, up to about 1e7 on
// random states of 160 links; and their momentum rates carry the truncation error of the
// difference that gives dM/dt (bench/derivative_along_motion.h). On the states of this test the
// largest difference between two of them is 2e-9, on 160 links. Any fault in a constant, a lost
// term or a torque on the wrong link is a difference of 1e-6 or far more (gravity 9.8066 instead
// of 9.80665 is 5e-7).
double ExactEngineTolerance(int) {
  return 1e-8;
}

Joints ReferenceMomenta(const Joints& angles, const Joints& jointRates) {
  return reference::Multiply(reference::MassMatrix(angles), jointRates);
}

Rates ReferenceRates(const Joints& angles, const Joints& momenta, double friction, double drive) {
  const Joints jointRates = reference::Solve(reference::MassMatrix(angles), momenta);
  return {jointRates, reference::MomentumRates(angles, jointRates, friction, drive)};
}

// pendula takes its sines and cosines from the table, each off by less than one table step
// (2π/999,999), and the link frames compose them joint by joint, so its results may be off by up
// to about one step per link relative to their size; sin² + cos² of the table misses 1 by up to
// two steps, which the shortest chains show.
double TableTolerance(int links) {
  return (links + 2) * 6.283185307179586 / 999999.0;
}

// pendula's model of a chain of this many links, made on first use and kept.
const ChainModel& PendulaModel(std::size_t links) {
  static std::map<std::size_t, std::unique_ptr<testing::TestChain>> models;
  std::unique_ptr<testing::TestChain>& chain = models[links];
  if (!chain) chain = std::make_unique<testing::TestChain>(static_cast<int>(links));
  return chain->model;
}

Joints PendulaMomenta(const Joints& angles, const Joints& jointRates) {
  Joints p(angles.size());
  testing::MomentaOfChain(PendulaModel(angles.size()), p.data(), angles.data(), jointRates.data());
  return p;
}

Rates PendulaRates(const Joints& angles, const Joints& momenta, double friction, double drive) {
  Joints pdot(angles.size()), qdot(angles.size());
  testing::EvaluateChain(PendulaModel(angles.size()), JointTorqueSettings{friction, drive},
                         momenta.data(), angles.data(), pdot.data(), qdot.data());
  return Rates{qdot, pdot};
}

#ifdef PENDULA_HAVE_MUJOCO
using comparison::MuJoCoChain;

// One compiled model per chain length, kept for the whole run.
MuJoCoChain& MuJoCoChainOf(int links) {
  struct Chains {
    std::map<int, MuJoCoChain> byLength;
    ~Chains() {
      for (auto& entry : byLength) comparison::FreeMuJoCoChain(entry.second);
    }
  };
  static Chains chains;
  auto found = chains.byLength.find(links);
  if (found == chains.byLength.end()) {
    found = chains.byLength.emplace(links, comparison::MakeMuJoCoChain(links)).first;
    if (found->second.model == nullptr) {
      std::fprintf(stderr, "MuJoCo cannot compile the %d-link chain: %s\n", links,
                   found->second.error);
      std::abort();
    }
  }
  return found->second;
}

Joints MuJoCoMomenta(const Joints& angles, const Joints& jointRates) {
  Joints momenta(angles.size());
  comparison::MuJoCoMomenta(MuJoCoChainOf(static_cast<int>(angles.size())), angles.data(),
                            jointRates.data(), momenta.data());
  return momenta;
}

Rates MuJoCoRates(const Joints& angles, const Joints& momenta, double friction, double drive) {
  MuJoCoChain& chain = MuJoCoChainOf(static_cast<int>(angles.size()));
  Rates rates{Joints(angles.size()), Joints(angles.size())};
  comparison::MuJoCoJointRates(chain, angles.data(), momenta.data(), rates.jointRates.data());
  comparison::MuJoCoMomentumRates(chain, angles.data(), rates.jointRates.data(), friction, drive,
                                  rates.momentumRates.data());
  return rates;
}
#endif

#ifdef PENDULA_HAVE_BULLET
using comparison::BulletChain;

BulletChain& BulletChainOf(int links) {
  static std::map<int, BulletChain> byLength;
  auto found = byLength.find(links);
  if (found == byLength.end()) {
    found = byLength.emplace(links, comparison::MakeBulletChain(links)).first;
  }
  return found->second;
}

Joints BulletMomenta(const Joints& angles, const Joints& jointRates) {
  Joints momenta(angles.size());
  comparison::BulletMomenta(BulletChainOf(static_cast<int>(angles.size())), angles.data(),
                            jointRates.data(), momenta.data());
  return momenta;
}

Rates BulletRates(const Joints& angles, const Joints& momenta, double friction, double drive) {
  BulletChain& chain = BulletChainOf(static_cast<int>(angles.size()));
  Rates rates{Joints(angles.size()), Joints(angles.size())};
  comparison::BulletJointRates(chain, angles.data(), momenta.data(), rates.jointRates.data());
  comparison::BulletMomentumRates(chain, angles.data(), rates.jointRates.data(), friction, drive,
                                  rates.momentumRates.data());
  return rates;
}
#endif

}  // namespace

std::vector<Engine> Engines() {
  std::vector<Engine> engines = {
      {"reference", ExactEngineTolerance, ReferenceMomenta, ReferenceRates},
      {"pendula", TableTolerance, PendulaMomenta, PendulaRates}};
#ifdef PENDULA_HAVE_MUJOCO
  engines.push_back({"MuJoCo", ExactEngineTolerance, MuJoCoMomenta, MuJoCoRates});
#endif
#ifdef PENDULA_HAVE_BULLET
  engines.push_back({"Bullet", ExactEngineTolerance, BulletMomenta, BulletRates});
#endif
  return engines;
}

}  // namespace agreement
}  // namespace pendula
