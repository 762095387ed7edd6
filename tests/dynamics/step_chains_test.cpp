// Every way of stepping a chain gives the same bits: the 6-D and the in-plane algebra one chain
// at a time, and StepChains in lane packs of every width, on the program's chain from random
// states (angles up to 2000 rad) under every setting the keys select, for chain counts that leave
// the last pack part empty, with non-finite chains among them. And any link count from 1 to 256
// gives a chain's right motion.
#include "dynamics/step_chains.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <limits>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "dynamics/dynamics.h"
#include "dynamics/heun_step.h"
#include "tests/dynamics/chain_fixture.h"
#include "tests/support/allocation_counter.h"

namespace pendula {
namespace {

constexpr int Chains = 37;  // fills no whole number of packs of 2, 4 or 8
constexpr int Steps = 3;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Infinity = std::numeric_limits<double>::infinity();

struct Batch {
  double p[Chains][20];
  double q[Chains][20];
};

// Random chains, every other one with angles of many turns, and four that are not finite or
// cannot be reduced, one of them in the last, part-empty pack of every width.
Batch RandomBatch(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  Batch batch;
  for (int i = 0; i < Chains; ++i) {
    const double angleScale = i % 2 == 0 ? 3.14159 : 2000.0;
    for (int k = 0; k < 20; ++k) {
      batch.p[i][k] = 5.0 * unit(random);
      batch.q[i][k] = angleScale * unit(random);
    }
  }
  batch.q[5][3] = NaN;
  batch.p[11][19] = Infinity;
  batch.q[12][0] = -1e300;
  batch.p[36][7] = NaN;
  return batch;
}

// The same bits, or NaN in both: the sign and payload of a NaN are not the arithmetic's to fix.
bool SameValue(double a, double b) {
  if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
  return std::memcmp(&a, &b, sizeof a) == 0;
}

::testing::AssertionResult SameChains(const Batch& actual, const Batch& expected, int count) {
  for (int i = 0; i < count; ++i) {
    for (int k = 0; k < 20; ++k) {
      if (!SameValue(actual.p[i][k], expected.p[i][k]) ||
          !SameValue(actual.q[i][k], expected.q[i][k])) {
        return ::testing::AssertionFailure()
               << "chain " << i << ", joint " << k + 1 << ": p " << actual.p[i][k] << " for "
               << expected.p[i][k] << ", q " << actual.q[i][k] << " for " << expected.q[i][k];
      }
    }
  }
  return ::testing::AssertionSuccess();
}

constexpr JointTorqueSettings EverySetting[] = {{5.0, 0.0}, {5.0, 100.0}, {5.0, -100.0},
                                                {0.0, 0.0}, {0.0, 100.0}, {0.0, -100.0},
                                                {1.0, 0.0}, {1.0, 100.0}, {1.0, -100.0}};

// Steps each chain alone in the given algebra, as HeunStep does.
template <typename Algebra>
void StepOneByOne(const ChainModel<20>& model, const JointTorqueSettings& settings, Batch& batch,
                  int count) {
  ChainData<Algebra, double, 20> data;
  for (int i = 0; i < count; ++i) HeunStep(model, data, settings, batch.p[i], batch.q[i]);
}

TEST(OneChainAtATime, SixDimensionalAndInPlaneAlgebrasGiveTheSameBits) {
  const ChainModel<20> model = testing::TestChainModel<20>();
  for (const JointTorqueSettings& settings : EverySetting) {
    Batch inPlane = RandomBatch(7), general = inPlane;
    for (int step = 0; step < Steps; ++step) {
      StepOneByOne<PlaneAlgebra>(model, settings, inPlane, Chains);
      StepOneByOne<SpatialAlgebra>(model, settings, general, Chains);
    }
    EXPECT_TRUE(SameChains(general, inPlane, Chains))
        << "b = " << settings.frictionCoefficient << ", tau = " << settings.appliedTorque;
  }
}

// One way to step a batch in lanes: StepChains at a width the CPU may or may not have, or the
// lane arithmetic of a width compiled for any x86-64 CPU, which runs wherever the test does.
struct LanePath {
  const char* name;
  int width;
  bool needsTheCpusLanes;
  void (*step)(ChainModel<20>& model, const JointTorqueSettings&, Batch&, int count);
};

void PrintTo(const LanePath& path, std::ostream* out) {
  *out << path.name;
}

template <int W>
void StepAtWidth(ChainModel<20>& model, const JointTorqueSettings& settings, Batch& batch,
                 int count) {
  model.laneWidth = W;
  StepChains(model, settings, batch.p, batch.q, count);
}

template <int W>
void StepInLanesForAnyCpu(ChainModel<20>& model, const JointTorqueSettings& settings, Batch& batch,
                          int count) {
  StepChainsInLanes<PlaneAlgebra, W>(model, settings, batch.p, batch.q, count);
}

// Every path that this build and this CPU can run; a width they lack is left out, and says so.
const std::vector<LanePath>& PathsThisCpuRuns() {
  static const std::vector<LanePath> runnable = [] {
    const LanePath every[] = {{"Lanes2", 2, true, StepAtWidth<2>},
                              {"Lanes4", 4, true, StepAtWidth<4>},
                              {"Lanes8", 8, true, StepAtWidth<8>},
                              {"Lanes4ForAnyCpu", 4, false, StepInLanesForAnyCpu<4>},
                              {"Lanes8ForAnyCpu", 8, false, StepInLanesForAnyCpu<8>}};
    std::vector<LanePath> paths;
    for (const LanePath& path : every) {
      if (!path.needsTheCpusLanes || LaneWidthAvailable(path.width)) {
        paths.push_back(path);
      } else {
        std::cout << "Skipped: this build or this CPU has no " << path.width
                  << "-lane step; its arithmetic is tested compiled for any CPU (" << path.name
                  << "ForAnyCpu).\n";
      }
    }
    return paths;
  }();
  return runnable;
}

class LanePaths : public ::testing::TestWithParam<LanePath> {};

TEST_P(LanePaths, EveryChainEndsWhereItsOwnStepTakesIt) {
  ChainModel<20> model = testing::TestChainModel<20>();
  for (const JointTorqueSettings& settings : EverySetting) {
    for (int count : {1, 3, 9, Chains}) {
      Batch alone = RandomBatch(11 + count), inLanes = alone;
      for (int step = 0; step < Steps; ++step) {
        StepOneByOne<PlaneAlgebra>(model, settings, alone, count);
        GetParam().step(model, settings, inLanes, count);
      }
      EXPECT_TRUE(SameChains(inLanes, alone, count))
          << count << " chains, b = " << settings.frictionCoefficient
          << ", tau = " << settings.appliedTorque;
      EXPECT_EQ(
          std::memcmp(inLanes.p[count], alone.p[count], sizeof(double) * 20 * (Chains - count)), 0)
          << "a chain beyond the count was stepped";
    }
  }
}

TEST_P(LanePaths, NoChainsOrANegativeCountStepNothing) {
  ChainModel<20> model = testing::TestChainModel<20>();
  const Batch before = RandomBatch(3);
  for (int count : {0, -1, -37}) {
    Batch batch = before;
    GetParam().step(model, EverySetting[4], batch, count);
    EXPECT_EQ(std::memcmp(&batch, &before, sizeof batch), 0) << count;
  }
}

TEST_P(LanePaths, AllocatesNothing) {
  ChainModel<20> model = testing::TestChainModel<20>();
  Batch batch = RandomBatch(5);
  GetParam().step(model, EverySetting[0], batch, Chains);
  const long long before = testing::AllocationCount();
  GetParam().step(model, EverySetting[0], batch, Chains);
  EXPECT_EQ(testing::AllocationCount(), before);
}

INSTANTIATE_TEST_SUITE_P(EveryWidth, LanePaths, ::testing::ValuesIn(PathsThisCpuRuns()),
                         [](const ::testing::TestParamInfo<LanePath>& info) {
                           return std::string(info.param.name);
                         });

TEST(StepChains, ThePublicCallStepsAsHeunStepDoes) {
  setUpModel(0.012);
  Batch alone = RandomBatch(13), batch = alone;
  for (int i = 0; i < Chains; ++i) HeunStep(alone.p[i], alone.q[i], 1.0, -100.0);
  StepChains(batch.p, batch.q, Chains, 1.0, -100.0);
  EXPECT_TRUE(SameChains(batch, alone, Chains));
}

// A straight chain of N links at rest, all angles zero: no joint moves, and joint k carries the
// weight of the n = N + 1 - k links beyond it, each at its centre: ṗ_k = -g n²/2. The table's
// cos 0 is 1 - 1.1e-11, which the N links compound.
template <int N>
void ExpectStraightChainOfNLinksFallsAsItMust() {
  const ChainModel<N> model = testing::TestChainModel<N>();
  const double p[N] = {}, q[N] = {};
  double pdot[N], qdot[N];
  testing::EvaluateChain(model, JointTorqueSettings{5.0, 0.0}, p, q, pdot, qdot);
  for (int k = 1; k <= N; ++k) {
    const double n = N + 1 - k, expected = -StandardGravity * n * n / 2.0;
    EXPECT_EQ(qdot[k - 1], 0.0) << N << " links, joint " << k;
    EXPECT_NEAR(pdot[k - 1], expected, 1e-10 * N * std::fabs(expected))
        << N << " links, joint " << k;
  }
}

// Rates turned into momenta and back: the two recursions agree only if both honour every link.
template <int N>
void ExpectMomentaOfNLinksGiveBackTheirRates() {
  const ChainModel<N> model = testing::TestChainModel<N>();
  std::mt19937 random(N);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  double q[N], rates[N], p[N], pdot[N], qdot[N];
  for (int k = 0; k < N; ++k) {
    q[k] = 3.0 * unit(random);
    rates[k] = unit(random);
  }
  testing::MomentaOfChain(model, p, q, rates);
  testing::EvaluateChain(model, JointTorqueSettings{5.0, 0.0}, p, q, pdot, qdot);
  for (int k = 0; k < N; ++k)
    EXPECT_NEAR(qdot[k], rates[k], 1e-9) << N << " links, joint " << k + 1;
}

// StepChains for N links at every width this CPU has, against one chain at a time.
template <int N>
void ExpectLanesOfNLinksStepAsOneChainAtATime() {
  ChainModel<N> model = testing::TestChainModel<N>();
  constexpr int Count = 11;
  std::mt19937 random(N);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  static double p[Count][N], q[Count][N], pLanes[Count][N], qLanes[Count][N];
  for (int i = 0; i < Count; ++i) {
    for (int k = 0; k < N; ++k) {
      p[i][k] = unit(random);
      q[i][k] = 3.0 * unit(random);
    }
  }
  const JointTorqueSettings settings{1.0, 100.0};
  for (int width : {2, 4, 8}) {
    if (!LaneWidthAvailable(width)) continue;
    std::memcpy(pLanes, p, sizeof p);
    std::memcpy(qLanes, q, sizeof q);
    model.laneWidth = width;
    StepChains(model, settings, pLanes, qLanes, Count);
    ChainData<PlaneAlgebra, double, N> data;
    for (int i = 0; i < Count; ++i) {
      double pAlone[N], qAlone[N];
      std::memcpy(pAlone, p[i], sizeof pAlone);
      std::memcpy(qAlone, q[i], sizeof qAlone);
      HeunStep(model, data, settings, pAlone, qAlone);
      EXPECT_EQ(std::memcmp(pAlone, pLanes[i], sizeof pAlone), 0) << N << " links, " << width;
      EXPECT_EQ(std::memcmp(qAlone, qLanes[i], sizeof qAlone), 0) << N << " links, " << width;
    }
  }
}

TEST(AnyLinkCount, GivesTheStraightChainsClosedFormRates) {
  ExpectStraightChainOfNLinksFallsAsItMust<1>();
  ExpectStraightChainOfNLinksFallsAsItMust<2>();
  ExpectStraightChainOfNLinksFallsAsItMust<3>();
  ExpectStraightChainOfNLinksFallsAsItMust<57>();
  ExpectStraightChainOfNLinksFallsAsItMust<256>();
}

TEST(AnyLinkCount, RecoversTheRatesOfItsMomenta) {
  ExpectMomentaOfNLinksGiveBackTheirRates<1>();
  ExpectMomentaOfNLinksGiveBackTheirRates<2>();
  ExpectMomentaOfNLinksGiveBackTheirRates<3>();
  ExpectMomentaOfNLinksGiveBackTheirRates<57>();
  ExpectMomentaOfNLinksGiveBackTheirRates<256>();
}

TEST(AnyBuiltLinkCount, StepsInLanesAsOneChainAtATime) {
#define PENDULA_EXPECT_LANES(count) ExpectLanesOfNLinksStepAsOneChainAtATime<count>();
  PENDULA_BUILT_LINK_COUNTS(PENDULA_EXPECT_LANES)
#undef PENDULA_EXPECT_LANES
}

}  // namespace
}  // namespace pendula
