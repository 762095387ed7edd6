// Chains built at run time against MuJoCo and Bullet built from the same description: random
// twisted, shifted links (3-D motion) of 1, 7 and 33 links. Every pair of engines must agree on
// the momenta p = M(q) q̇, on the joint rates that solve M(q) q̇ = p and on the momentum rates ṗ
// under gravity, friction and a torque on every joint, on random states: to the sine table's
// resolution for a table chain, to 1e-9 with exact sines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "pendula/chain.h"
#include "tests/support/random_chain.h"
#ifdef PENDULA_HAVE_MUJOCO
#include "bench/mujoco/mujoco_chain.h"
#include "bench/mujoco/mujoco_rates.h"
#endif
#ifdef PENDULA_HAVE_BULLET
#include "bench/bullet/bullet_chain.h"
#include "bench/bullet/bullet_rates.h"
#endif

namespace pendula {
namespace {

using Joints = std::vector<double>;

// One engine's three answers on a chain it was built for.
struct Answers {
  std::string name;
  std::function<Joints(const Joints& q, const Joints& qdot)> momenta;
  std::function<Joints(const Joints& q, const Joints& p)> jointRates;
  std::function<Joints(const Joints& q, const Joints& qdot, double b, const Joints& tau)>
      momentumRates;
};

struct Case {
  int links;
  Trigonometry trigonometry;
};

// Engines with exact sines differ from the exact dynamics by rounding, magnified in a solve with
// M(q) by its condition, and their momentum rates by the truncation of the difference that gives
// dM/dt (bench/derivative_along_motion.h); 1e-9 of the results' size holds all of that on these
// chains. A table chain's sines are off by up to one table step each, composed link by link.
double Tolerance(const Case& c) {
  return c.trigonometry == Trigonometry::Exact ? 1e-9
                                               : (c.links + 2) * 6.283185307179586 / 999999.0;
}

double MaxAbs(const Joints& x) {
  double m = 0.0;
  for (double v : x) m = std::max(m, std::fabs(v));
  return m;
}

double RelativeDifference(const Joints& x, const Joints& y) {
  double d = 0.0;
  for (std::size_t k = 0; k < x.size(); ++k) d = std::max(d, std::fabs(x[k] - y[k]));
  return d / std::max(MaxAbs(x), MaxAbs(y));
}

class RunTimeChainAgreement : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    const Case c = GetParam();
    description_ = testing::RandomChain(c.links, 500 + c.links, false, c.trigonometry);
    description_.gravity[0] = 2.0;  // gravity off the axes as well
    chain_ = std::make_unique<Chain>(description_);
    workspace_ = std::make_unique<ChainWorkspace>(*chain_);
    engines_.push_back(PendulaAnswers());
#ifdef PENDULA_HAVE_MUJOCO
    mujoco_ = comparison::MakeMuJoCoChain(description_);
    ASSERT_NE(mujoco_.model, nullptr) << mujoco_.error;
    engines_.push_back(MuJoCoAnswers());
#endif
#ifdef PENDULA_HAVE_BULLET
    bullet_ = comparison::MakeBulletChain(description_);
    engines_.push_back(BulletAnswers());
#endif
    if (engines_.size() < 2) GTEST_SKIP() << "neither MuJoCo nor Bullet is built in";
  }
  void TearDown() override {
#ifdef PENDULA_HAVE_MUJOCO
    comparison::FreeMuJoCoChain(mujoco_);
#endif
  }

  Answers PendulaAnswers() {
    return Answers{"pendula",
                   [this](const Joints& q, const Joints& qdot) {
                     Joints p(q.size());
                     MomentumInitialisation(*chain_, *workspace_, p.data(), q.data(), qdot.data());
                     return p;
                   },
                   [this](const Joints& q, const Joints& p) {
                     Joints pdot(q.size()), qdot(q.size());
                     ForwardDynamics(*chain_, *workspace_, p.data(), q.data(), pdot.data(),
                                     qdot.data());
                     return qdot;
                   },
                   [this](const Joints& q, const Joints& qdot, double b, const Joints& tau) {
                     Joints p(q.size()), pdot(q.size()), rates(q.size());
                     MomentumInitialisation(*chain_, *workspace_, p.data(), q.data(), qdot.data());
                     ForwardDynamics(*chain_, *workspace_, p.data(), q.data(), pdot.data(),
                                     rates.data(), b, tau.data());
                     return pdot;
                   }};
  }
#ifdef PENDULA_HAVE_MUJOCO
  Answers MuJoCoAnswers() {
    return Answers{"MuJoCo",
                   [this](const Joints& q, const Joints& qdot) {
                     Joints p(q.size());
                     comparison::MuJoCoMomenta(mujoco_, q.data(), qdot.data(), p.data());
                     return p;
                   },
                   [this](const Joints& q, const Joints& p) {
                     Joints qdot(q.size());
                     comparison::MuJoCoJointRates(mujoco_, q.data(), p.data(), qdot.data());
                     return qdot;
                   },
                   [this](const Joints& q, const Joints& qdot, double b, const Joints& tau) {
                     Joints pdot(q.size());
                     comparison::MuJoCoMomentumRates(mujoco_, q.data(), qdot.data(), b, tau.data(),
                                                     pdot.data());
                     return pdot;
                   }};
  }
  comparison::MuJoCoChain mujoco_{nullptr, nullptr, {0}};
#endif
#ifdef PENDULA_HAVE_BULLET
  Answers BulletAnswers() {
    return Answers{"Bullet",
                   [this](const Joints& q, const Joints& qdot) {
                     Joints p(q.size());
                     comparison::BulletMomenta(bullet_, q.data(), qdot.data(), p.data());
                     return p;
                   },
                   [this](const Joints& q, const Joints& p) {
                     Joints qdot(q.size());
                     comparison::BulletJointRates(bullet_, q.data(), p.data(), qdot.data());
                     return qdot;
                   },
                   [this](const Joints& q, const Joints& qdot, double b, const Joints& tau) {
                     Joints pdot(q.size());
                     comparison::BulletMomentumRates(bullet_, q.data(), qdot.data(), b, tau.data(),
                                                     pdot.data());
                     return pdot;
                   }};
  }
  comparison::BulletChain bullet_;
#endif

  // Random states: angles in [-π, π], rates in [-1, 1], torques of the size of the weights.
  template <typename F>
  void ForEachState(F&& f) {
    const int n = GetParam().links;
    std::mt19937_64 random(900 + n);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int s = 0; s < 5; ++s) {
      Joints q(n), qdot(n), tau(n);
      for (int k = 0; k < n; ++k) {
        q[k] = 3.141592653589793 * unit(random);
        qdot[k] = unit(random);
        tau[k] = 10.0 * unit(random);
      }
      f(s, q, qdot, tau);
    }
  }

  void ExpectPairsAgree(const std::vector<Joints>& results, const char* what, int state) {
    for (std::size_t i = 0; i < results.size(); ++i) {
      for (std::size_t j = i + 1; j < results.size(); ++j) {
        EXPECT_LE(RelativeDifference(results[i], results[j]), Tolerance(GetParam()))
            << what << ": " << engines_[i].name << " against " << engines_[j].name << ", state "
            << state;
      }
    }
  }

  ChainDescription description_;
  std::unique_ptr<Chain> chain_;
  std::unique_ptr<ChainWorkspace> workspace_;
  std::vector<Answers> engines_;
};

TEST_P(RunTimeChainAgreement, MomentaAgree) {
  ForEachState([&](int s, const Joints& q, const Joints& qdot, const Joints&) {
    std::vector<Joints> momenta;
    for (const Answers& e : engines_) momenta.push_back(e.momenta(q, qdot));
    ExpectPairsAgree(momenta, "momenta", s);
  });
}

// Every engine solves for the rates of pendula's momenta; the rates may differ by the condition
// of M(q) times the engines' error in M, so the difference is measured as momenta, M (q̇_a - q̇_b)
// against p, with pendula's M.
TEST_P(RunTimeChainAgreement, JointRatesSolveTheSameMomenta) {
  ForEachState([&](int s, const Joints& q, const Joints& qdot, const Joints&) {
    const Joints p = engines_[0].momenta(q, qdot);
    std::vector<Joints> asMomenta;
    for (const Answers& e : engines_)
      asMomenta.push_back(engines_[0].momenta(q, e.jointRates(q, p)));
    for (std::size_t i = 1; i < engines_.size(); ++i) {
      Joints difference(p.size());
      for (std::size_t k = 0; k < p.size(); ++k) difference[k] = asMomenta[i][k] - asMomenta[0][k];
      EXPECT_LE(MaxAbs(difference) / MaxAbs(p), Tolerance(GetParam()))
          << "joint rates: " << engines_[i].name << " against pendula, state " << s;
    }
  });
}

TEST_P(RunTimeChainAgreement, MomentumRatesAgreeWithFrictionAndTorquesOnEveryJoint) {
  ForEachState([&](int s, const Joints& q, const Joints& qdot, const Joints& tau) {
    std::vector<Joints> rates;
    for (const Answers& e : engines_) rates.push_back(e.momentumRates(q, qdot, 3.0, tau));
    ExpectPairsAgree(rates, "momentum rates", s);
  });
}

INSTANTIATE_TEST_SUITE_P(
    Chains, RunTimeChainAgreement,
    ::testing::Values(Case{1, Trigonometry::Exact}, Case{7, Trigonometry::Exact},
                      Case{33, Trigonometry::Exact}, Case{1, Trigonometry::Table},
                      Case{7, Trigonometry::Table}, Case{33, Trigonometry::Table}),
    [](const ::testing::TestParamInfo<Case>& info) {
      return std::to_string(info.param.links) + "links" +
             (info.param.trigonometry == Trigonometry::Exact ? "Exact" : "Table");
    });

}  // namespace
}  // namespace pendula
