// Tests of chains built at run time (chain.h): the program's chain built so gives the program's
// bits; the batch gives every chain the single step's bits, in the plane and in 3-D, with shared
// and per-chain torques; a joint torque is its own joint's generalized force; the energy is
// conserved where nothing dissipates; a bad description or argument is refused with a message
// that names it; and no call allocates.
#include "pendula/chain.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "pendula/dynamics.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/random_chain.h"

namespace pendula {
namespace {

using Values = std::vector<double>;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// The same bits, or NaN in both.
bool SameValue(double a, double b) {
  return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

void ExpectSameBits(const Values& a, const Values& b, const std::string& what) {
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    ASSERT_TRUE(SameValue(a[i], b[i]))
        << what << ", element " << i << ": " << a[i] << " vs " << b[i];
  }
}

// a·b as a count or an index of the arrays.
std::size_t Size(int a, int b) {
  return static_cast<std::size_t>(a) * static_cast<std::size_t>(b);
}

Values RandomValues(std::size_t count, double scale, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  Values x(count);
  for (double& v : x) v = scale * unit(random);
  return x;
}

class ChainTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setUpModel(0.012); }
};

// Chain::Program() against the program's own interface, on random states of many turns, with
// friction and the drive on joint 1.
TEST_F(ChainTest, ProgramChainGivesTheProgramsBits) {
  const Chain chain = Chain::Program();
  ChainWorkspace workspace(chain);
  ASSERT_TRUE(chain.inPlane());
  constexpr int Chains = 37;  // no whole number of packs of 2, 4 or 8
  Values p = RandomValues(Size(Chains, 20), 5.0, 1), q = RandomValues(Size(Chains, 20), 2000.0, 2);
  q[5 * 20 + 3] = NaN;
  Values torques(20, 0.0);
  torques[0] = 100.0;
  for (int i = 0; i < Chains; ++i) {
    double pdot[20], qdot[20];
    Values pdotChain(20), qdotChain(20);
    SetActiveJointTorques(5.0, 100.0);
    ForwardDynamics(*reinterpret_cast<const double(*)[20]>(&p[Size(i, 20)]),
                    *reinterpret_cast<const double(*)[20]>(&q[Size(i, 20)]), pdot, qdot);
    ForwardDynamics(chain, workspace, &p[Size(i, 20)], &q[Size(i, 20)], pdotChain.data(),
                    qdotChain.data(), 5.0, torques.data());
    ExpectSameBits(pdotChain, Values(pdot, pdot + 20), "momentum rates");
    ExpectSameBits(qdotChain, Values(qdot, qdot + 20), "joint rates");
  }
  Values pProgram = p, qProgram = q, pOne = p, qOne = q;
  for (int step = 0; step < 3; ++step) {
    StepChains(reinterpret_cast<double(*)[20]>(pProgram.data()),
               reinterpret_cast<double(*)[20]>(qProgram.data()), Chains, 5.0, 100.0);
    StepChains(chain, workspace, p.data(), q.data(), Chains, 0.012, 5.0,
               JointTorques{torques.data()});
    for (int i = 0; i < Chains; ++i) {
      HeunStep(chain, workspace, &pOne[Size(i, 20)], &qOne[Size(i, 20)], 0.012, 5.0,
               torques.data());
    }
  }
  ExpectSameBits(p, pProgram, "StepChains momenta");
  ExpectSameBits(q, qProgram, "StepChains angles");
  ExpectSameBits(pOne, pProgram, "HeunStep momenta");
  ExpectSameBits(qOne, qProgram, "HeunStep angles");
}

struct Shape {
  bool inPlane;
  Trigonometry trigonometry;
  int links;
};

class ChainBatchTest : public ::testing::TestWithParam<Shape> {};

// The batch against one step per chain, by each method, with torques shared by every chain and
// one row per chain, on 29 chains (a part-empty last pack at every width, and at 8 lanes a last
// pair that is part empty).
TEST_P(ChainBatchTest, EveryChainGetsTheSingleStepsBits) {
  const Shape shape = GetParam();
  const Chain chain(testing::RandomChain(shape.links, 7, shape.inPlane, shape.trigonometry));
  ASSERT_EQ(chain.inPlane(), shape.inPlane);
  ChainWorkspace workspace(chain);
  const int n = shape.links, chains = 29;
  const Values shared = RandomValues(n, 3.0, 3), rows = RandomValues(Size(chains, n), 3.0, 4);
  for (const StepMethod method : {StepMethod::Heun, StepMethod::Rk4, StepMethod::Midpoint}) {
    for (const bool perChain : {false, true}) {
      Values p = RandomValues(Size(chains, n), 2.0, 5), q = RandomValues(Size(chains, n), 10.0, 6);
      Values pOne = p, qOne = q;
      for (int step = 0; step < 3; ++step) {
        const JointTorques torques{perChain ? rows.data() : shared.data(), perChain};
        if (method == StepMethod::Heun) {
          StepChains(chain, workspace, p.data(), q.data(), chains, 0.005, 2.0, torques);
        } else {
          StepChains(chain, workspace, p.data(), q.data(), chains, 0.005, method, 2.0, torques);
        }
        for (int i = 0; i < chains; ++i) {
          const double* tau = perChain ? &rows[Size(i, n)] : shared.data();
          if (method == StepMethod::Heun) {
            HeunStep(chain, workspace, &pOne[Size(i, n)], &qOne[Size(i, n)], 0.005, 2.0, tau);
          } else {
            Step(chain, workspace, &pOne[Size(i, n)], &qOne[Size(i, n)], 0.005, method, 2.0, tau);
          }
        }
      }
      const std::string what = "method " + std::to_string(static_cast<int>(method)) +
                               (perChain ? ", torques per chain" : ", shared torques");
      ExpectSameBits(p, pOne, "momenta, " + what);
      ExpectSameBits(q, qOne, "angles, " + what);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ChainBatchTest,
    ::testing::Values(Shape{true, Trigonometry::Table, 7}, Shape{true, Trigonometry::Exact, 33},
                      Shape{false, Trigonometry::Table, 7}, Shape{false, Trigonometry::Exact, 1}),
    [](const ::testing::TestParamInfo<Shape>& info) {
      return std::string(info.param.inPlane ? "InPlane" : "General") +
             (info.param.trigonometry == Trigonometry::Table ? "Table" : "Exact") +
             std::to_string(info.param.links) + "links";
    });

// ṗ = -∂H/∂q + Q: a torque τ on joint k alone changes ṗ_k by τ and no other momentum rate or
// any joint rate, in a twisted 3-D chain (its reaction acts on link k - 1).
TEST_F(ChainTest, JointTorqueIsItsOwnJointsGeneralizedForce) {
  const int n = 7;
  const Chain chain(testing::RandomChain(n, 11, false, Trigonometry::Exact));
  ChainWorkspace workspace(chain);
  const Values p = RandomValues(n, 1.0, 12), q = RandomValues(n, 3.0, 13);
  Values pdot0(n), qdot0(n);
  ForwardDynamics(chain, workspace, p.data(), q.data(), pdot0.data(), qdot0.data());
  for (int k = 0; k < n; ++k) {
    Values torques(n, 0.0), pdot(n), qdot(n);
    torques[k] = 10.0;
    ForwardDynamics(chain, workspace, p.data(), q.data(), pdot.data(), qdot.data(), 0.0,
                    torques.data());
    for (int j = 0; j < n; ++j) {
      EXPECT_NEAR(pdot[j] - pdot0[j], j == k ? 10.0 : 0.0, 1e-12) << "torque on joint " << k + 1;
      EXPECT_EQ(qdot[j], qdot0[j]);
    }
  }
}

// With exact sines, no friction and no torques, a twisted chain's energy changes only by the
// step's error, O(h²) per unit time: a sign or a factor wrong in the potential or the kinetic
// energy shows as a change of order one.
TEST_F(ChainTest, EnergyIsConservedWhereNothingDissipates) {
  const int n = 7;
  ChainDescription description = testing::RandomChain(n, 21, false, Trigonometry::Exact);
  description.gravity[0] = 3.0;  // gravity off the axes
  const Chain chain(description);
  ChainWorkspace workspace(chain);
  Values q = RandomValues(n, 1.0, 22), p(n), rates = RandomValues(n, 1.0, 23);
  MomentumInitialisation(chain, workspace, p.data(), q.data(), rates.data());
  const double start = Energy(chain, workspace, p.data(), q.data());
  for (int step = 0; step < 2000; ++step) HeunStep(chain, workspace, p.data(), q.data(), 5e-4);
  const double end = Energy(chain, workspace, p.data(), q.data());
  EXPECT_NEAR(end, start, 1e-4 * std::fabs(start) + 1e-4);
  // and the potential of the first link, at rest, is -m gᵀ r of its centre of mass
  Values origins(Size(3, n));
  FrameOrigins(chain, q.data(), origins.data());
  EXPECT_DOUBLE_EQ(origins[0], description.links[0].a);
}

struct BadDescription {
  const char* name;
  void (*spoil)(ChainDescription&);
  const char* message;  // part of the message
};

class ChainDescriptionTest : public ::testing::TestWithParam<BadDescription> {};

TEST_P(ChainDescriptionTest, IsRefusedNamingTheLinkAndField) {
  ChainDescription description = testing::RandomChain(4, 31, false);
  GetParam().spoil(description);
  try {
    Chain chain(description);
    FAIL() << "a description with " << GetParam().name << " was accepted";
  } catch (const std::invalid_argument& refusal) {
    EXPECT_NE(std::string(refusal.what()).find(GetParam().message), std::string::npos)
        << refusal.what();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ChainDescriptionTest,
    ::testing::Values(
        BadDescription{"NoLinks", [](ChainDescription& c) { c.links.clear(); },
                       "a chain has 1 to 1000 links; got 0"},
        BadDescription{"TooManyLinks",
                       [](ChainDescription& c) { c.links.resize(1001, c.links[0]); },
                       "a chain has 1 to 1000 links; got 1001"},
        BadDescription{"NonFiniteTwist", [](ChainDescription& c) { c.links[2].alpha = NaN; },
                       "links[2].alpha must be finite"},
        BadDescription{"NonFiniteInertia",
                       [](ChainDescription& c) { c.links[1].inertia[4] = INFINITY; },
                       "links[1].inertia yz must be finite"},
        BadDescription{"ZeroMass", [](ChainDescription& c) { c.links[3].mass = 0.0; },
                       "links[3].mass must be positive"},
        BadDescription{"PointMass",
                       [](ChainDescription& c) {
                         Link& l = c.links[0];
                         const double* r = l.centreOfMass;
                         const double rr = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
                         const int i[6] = {0, 0, 0, 1, 1, 2}, j[6] = {0, 1, 2, 1, 2, 2};
                         for (int e = 0; e < 6; ++e) {
                           l.inertia[e] = l.mass * ((i[e] == j[e] ? rr : 0.0) - r[i[e]] * r[j[e]]);
                         }
                       },
                       "links[0].inertia about the centre of mass"},
        BadDescription{"MomentsBreakTheTriangle",
                       [](ChainDescription& c) {
                         Link& l = c.links[1];
                         l.centreOfMass[0] = l.centreOfMass[1] = l.centreOfMass[2] = 0.0;
                         const double I[6] = {1.0, 0.0, 0.0, 1.0, 0.0, 2.5};
                         std::memcpy(l.inertia, I, sizeof I);
                       },
                       "break the triangle inequality"},
        BadDescription{"NonFiniteGravity", [](ChainDescription& c) { c.gravity[2] = NaN; },
                       "gravity z must be finite"}),
    [](const ::testing::TestParamInfo<BadDescription>& info) { return info.param.name; });

// Bad arguments are refused before anything is read or written.
TEST_F(ChainTest, BadArgumentsAreRefused) {
  const Chain chain(testing::RandomChain(3, 41, false));
  const Chain other(testing::RandomChain(4, 41, false));
  ChainWorkspace workspace(chain), otherWorkspace(other);
  Values p(6), q(6);
  EXPECT_THROW(HeunStep(chain, otherWorkspace, p.data(), q.data(), 0.01), std::invalid_argument);
  EXPECT_THROW(HeunStep(chain, workspace, p.data(), q.data(), 0.0), std::invalid_argument);
  EXPECT_THROW(HeunStep(chain, workspace, p.data(), q.data(), 0.01, -1.0), std::invalid_argument);
  EXPECT_THROW(HeunStep(chain, workspace, nullptr, q.data(), 0.01), std::invalid_argument);
  EXPECT_THROW(StepChains(chain, workspace, p.data(), p.data() + 3, 2, 0.01),
               std::invalid_argument);
  EXPECT_THROW(StepChains(chain, workspace, p.data(), q.data(), -1, 0.01), std::invalid_argument);
}

// Two threads stepping with one model, each with its own workspace, get the bits of one after
// the other; and no call allocates once the workspace is made.
TEST_F(ChainTest, ThreadsShareTheModelAndNoCallAllocates) {
  const Chain chain(testing::RandomChain(20, 51, true));
  const int chains = 16;
  const Values p0 = RandomValues(Size(chains, 20), 2.0, 52),
               q0 = RandomValues(Size(chains, 20), 3.0, 53);
  const auto run = [&](Values& p, Values& q) {
    ChainWorkspace workspace(chain);
    for (int step = 0; step < 200; ++step) {
      StepChains(chain, workspace, p.data(), q.data(), chains, 0.01, 1.0);
    }
  };
  Values pAlone = p0, qAlone = q0, pA = p0, qA = q0, pB = p0, qB = q0;
  run(pAlone, qAlone);
  std::thread a([&] { run(pA, qA); }), b([&] { run(pB, qB); });
  a.join();
  b.join();
  ExpectSameBits(pA, pAlone, "thread A");
  ExpectSameBits(qB, qAlone, "thread B");

  ChainWorkspace workspace(chain);
  Values p = p0, q = q0, rates(20, 0.5), out(60), pdot(20), qdot(20);
  const long long before = testing::AllocationCount();
  StepChains(chain, workspace, p.data(), q.data(), chains, 0.01, 1.0,
             JointTorques{p0.data(), true});
  HeunStep(chain, workspace, p.data(), q.data(), 0.01);
  ForwardDynamics(chain, workspace, p.data(), q.data(), pdot.data(), qdot.data());
  MomentumInitialisation(chain, workspace, pdot.data(), q.data(), rates.data());
  Energy(chain, workspace, p.data(), q.data());
  FrameOrigins(chain, q.data(), out.data());
  EXPECT_EQ(testing::AllocationCount(), before);
}

}  // namespace
}  // namespace pendula
