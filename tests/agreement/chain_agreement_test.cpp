// Every engine against every other on chains of 1 to 160 links: the independent reference,
// pendula, and MuJoCo and Bullet when they are built in. Each pair must agree on the momenta p =
// M(q) q̇, on the joint rates that solve M(q) q̇ = p, and on the momentum rates ṗ, on random states,
// to the sum of the two engines' tolerances.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "tests/agreement/chain_engines.h"
#include "tests/support/planar_chain_reference.h"

namespace pendula {
namespace agreement {
namespace {

struct ChainLength {
  int links;
  int states;  // fewer for the long chains, whose dense references cost O(n^3)
};

// Names the length in the messages of a failed case.
void PrintTo(const ChainLength& length, std::ostream* os) {
  *os << length.links << " links";
}

struct State {
  Joints angles;      // uniform in [-π, π]
  Joints jointRates;  // uniform in [-1, 1] rad/s
};

// The friction coefficient and the drive torque the program can select.
constexpr double Friction = 5.0;
constexpr double Drive = 100.0;

double Uniform(std::mt19937_64& generator, double lo, double hi) {
  const double unit = static_cast<double>(generator() >> 11) * 0x1.0p-53;
  return lo + (hi - lo) * unit;
}

double MaxAbs(const Joints& x) {
  double m = 0.0;
  for (double v : x) m = std::max(m, std::fabs(v));
  return m;
}

// Largest difference relative to the largest magnitude of either, and of `scale`: components
// that nearly cancel (a joint whose momentum is small next to its neighbours') are held to the
// same absolute accuracy as the rest, not to a relative one they cannot have.
double RelativeDifference(const Joints& x, const Joints& y, double scale = 0.0) {
  double d = 0.0;
  for (std::size_t k = 0; k < x.size(); ++k) d = std::max(d, std::fabs(x[k] - y[k]));
  return d / std::max({MaxAbs(x), MaxAbs(y), scale});
}

// The momentum rates are held to the size of the largest gravity torque of the chain, g N²/2
// (each link of mass 1 and length 1): the table's error is one in the angles, and what it does to
// ṗ is bounded by the torques it turns, also in a state whose ṗ happens to be small (a one-link
// chain near the vertical).
double GravityTorqueScale(std::size_t links) {
  return 9.80665 * static_cast<double>(links * links) / 2.0;
}

class ChainAgreement : public ::testing::TestWithParam<ChainLength> {
 protected:
  void SetUp() override {
    engines_ = Engines();
    const int links = GetParam().links;
    std::mt19937_64 generator(1000 + links);
    states_.resize(GetParam().states);
    for (State& s : states_) {
      for (int k = 0; k < links; ++k) {
        s.angles.push_back(Uniform(generator, -3.141592653589793, 3.141592653589793));
        s.jointRates.push_back(Uniform(generator, -1.0, 1.0));
      }
    }
  }

  double PairTolerance(const Engine& a, const Engine& b) const {
    return a.tolerance(GetParam().links) + b.tolerance(GetParam().links);
  }

  // ṗ of every engine on every state, each from its own momenta for the state's rates, so that
  // an engine whose M(q) is slightly off still evaluates the motion with the state's rates.
  void ExpectMomentumRatesAgree(double friction, double drive) {
    for (std::size_t n = 0; n < states_.size(); ++n) {
      const State& s = states_[n];
      std::vector<Joints> momentumRates;
      for (const Engine& e : engines_) {
        const Rates rates = e.rates(s.angles, e.momenta(s.angles, s.jointRates), friction, drive);
        EXPECT_LE(RelativeDifference(rates.jointRates, s.jointRates), e.tolerance(s.angles.size()))
            << e.name << " does not return the rates it made its momenta from, state " << n;
        momentumRates.push_back(rates.momentumRates);
      }
      ExpectPairsAgree(momentumRates, "momentum rates", n, GravityTorqueScale(s.angles.size()));
    }
  }

  void ExpectPairsAgree(const std::vector<Joints>& results, const char* what, std::size_t n,
                        double scale = 0.0) {
    for (std::size_t i = 0; i < engines_.size(); ++i) {
      for (std::size_t j = i + 1; j < engines_.size(); ++j) {
        const double d = RelativeDifference(results[i], results[j], scale);
        EXPECT_LE(d, PairTolerance(engines_[i], engines_[j]))
            << what << ": " << engines_[i].name << " against " << engines_[j].name << ", state "
            << n;
      }
    }
  }

  std::vector<Engine> engines_;
  std::vector<State> states_;
};

TEST_P(ChainAgreement, MomentaAgree) {
  for (std::size_t n = 0; n < states_.size(); ++n) {
    std::vector<Joints> momenta;
    for (const Engine& e : engines_) {
      momenta.push_back(e.momenta(states_[n].angles, states_[n].jointRates));
    }
    ExpectPairsAgree(momenta, "momenta", n);
  }
}

// Every engine solves for the rates of the same momenta (the reference's). The rates themselves
// may differ by the condition of M(q) times each engine's error in M, so the difference is
// measured where it matters, as momenta: M(q) (q̇_a - q̇_b) against p.
TEST_P(ChainAgreement, JointRatesSolveTheSameMomenta) {
  for (std::size_t n = 0; n < states_.size(); ++n) {
    const State& s = states_[n];
    const reference::DenseMatrix M = reference::MassMatrix(s.angles);
    const Joints momenta = reference::Multiply(M, s.jointRates);
    std::vector<Joints> residualMomenta;
    for (const Engine& e : engines_) {
      residualMomenta.push_back(
          reference::Multiply(M, e.rates(s.angles, momenta, 0.0, 0.0).jointRates));
    }
    for (std::size_t i = 0; i < engines_.size(); ++i) {
      for (std::size_t j = i + 1; j < engines_.size(); ++j) {
        Joints difference(momenta.size());
        for (std::size_t k = 0; k < momenta.size(); ++k) {
          difference[k] = residualMomenta[i][k] - residualMomenta[j][k];
        }
        const double d = MaxAbs(difference) / MaxAbs(momenta);
        EXPECT_LE(d, PairTolerance(engines_[i], engines_[j]))
            << "joint rates: " << engines_[i].name << " against " << engines_[j].name << ", state "
            << n;
      }
    }
  }
}

TEST_P(ChainAgreement, MomentumRatesAgreeUnderGravityAlone) {
  ExpectMomentumRatesAgree(0.0, 0.0);
}

TEST_P(ChainAgreement, MomentumRatesAgreeWithFrictionOnEachLinkAndDriveOnJointOne) {
  ExpectMomentumRatesAgree(Friction, Drive);
}

INSTANTIATE_TEST_SUITE_P(Lengths, ChainAgreement,
                         ::testing::Values(ChainLength{1, 50}, ChainLength{2, 50},
                                           ChainLength{5, 50}, ChainLength{40, 10},
                                           ChainLength{160, 4}),
                         [](const ::testing::TestParamInfo<ChainLength>& info) {
                           return std::to_string(info.param.links) + "links";
                         });

}  // namespace
}  // namespace agreement
}  // namespace pendula
