#include "tests/agreement/chain_engines.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <type_traits>

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

// The chain lengths the test runs, each a model of its own.
template <typename F>
auto WithLinkCount(std::size_t links, F&& f) {
  switch (links) {
    case 1:
      return f(std::integral_constant<int, 1>{});
    case 2:
      return f(std::integral_constant<int, 2>{});
    case 5:
      return f(std::integral_constant<int, 5>{});
    case 40:
      return f(std::integral_constant<int, 40>{});
    case 160:
      return f(std::integral_constant<int, 160>{});
    default:
      std::fprintf(stderr, "no pendula model of %zu links in this test\n", links);
      std::abort();
  }
}

template <int N>
const ChainModel<N>& PendulaModel() {
  static const ChainModel<N> model = testing::TestChainModel<N>();
  return model;
}

Joints PendulaMomenta(const Joints& angles, const Joints& jointRates) {
  return WithLinkCount(angles.size(), [&](auto links) {
    constexpr int N = decltype(links)::value;
    double q[N], rates[N], p[N];
    std::copy(angles.begin(), angles.end(), q);
    std::copy(jointRates.begin(), jointRates.end(), rates);
    testing::MomentaOfChain(PendulaModel<N>(), p, q, rates);
    return Joints(p, p + N);
  });
}

Rates PendulaRates(const Joints& angles, const Joints& momenta, double friction, double drive) {
  return WithLinkCount(angles.size(), [&](auto links) {
    constexpr int N = decltype(links)::value;
    double q[N], p[N], pdot[N], qdot[N];
    std::copy(angles.begin(), angles.end(), q);
    std::copy(momenta.begin(), momenta.end(), p);
    testing::EvaluateChain(PendulaModel<N>(), JointTorqueSettings{friction, drive}, p, q, pdot,
                           qdot);
    return Rates{Joints(qdot, qdot + N), Joints(pdot, pdot + N)};
  });
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
