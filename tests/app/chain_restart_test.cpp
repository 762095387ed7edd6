// Chains that overflow are put back to their start-up state, one printed line each. Faults these
// would catch: a non-finite value the check misses (or a finite one it takes for non-finite), a
// restart that touches a finite chain, a line that names the wrong chain, is not flushed or is
// missing, and a restart that allocates.
#include "app/chain_restart.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>

#include "app/idle_pass.h"
#include "pendula/dynamics.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/fixed_stream_buffer.h"
#include "tests/support/flush_recording_buffer.h"

namespace pendula {
namespace {

constexpr double Step = 0.012;

// The check, written the plain way, to hold the fast one to.
bool EveryValueFinite(const World& world, int chain) {
  for (int k = 0; k < JointsPerChain; ++k) {
    if (!std::isfinite(world.angles[chain][k]) || !std::isfinite(world.momenta[chain][k]))
      return false;
  }
  return true;
}

TEST(ChainStateIsFinite, FindsOneNonFiniteValueAnywhereAndPassesExtremeFiniteOnes) {
  const double extremes[] = {0.0,      -0.0,         DBL_MAX,       -DBL_MAX, DBL_MIN,
                             -DBL_MIN, DBL_TRUE_MIN, -DBL_TRUE_MIN, 1980.0,   -1e300};
  constexpr int ExtremeCount = sizeof extremes / sizeof extremes[0];
  double angles[JointsPerChain];
  double momenta[JointsPerChain];
  for (int k = 0; k < JointsPerChain; ++k) {
    angles[k] = extremes[k % ExtremeCount];
    momenta[k] = extremes[(k + 3) % ExtremeCount];
  }
  ASSERT_TRUE(ChainStateIsFinite(angles, momenta));

  const double nonFinite[] = {
      std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
      std::numeric_limits<double>::signaling_NaN(), std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity()};
  for (double value : nonFinite) {
    for (int k = 0; k < JointsPerChain; ++k) {
      const double angle = angles[k];
      angles[k] = value;
      EXPECT_FALSE(ChainStateIsFinite(angles, momenta)) << value << " as angle " << k;
      angles[k] = angle;
      const double momentum = momenta[k];
      momenta[k] = value;
      EXPECT_FALSE(ChainStateIsFinite(angles, momenta)) << value << " as momentum " << k;
      momenta[k] = momentum;
    }
  }
}

class ChainRestart : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setUpModel(Step); }
  void SetUp() override {
    SetInitialAnglesAndRates(world_);
    InitialiseMomenta(world_);
    RecordStartUpState(world_, startUp_);
  }
  static World world_;
  static World stepped_;
  static StartUpState startUp_;
};
World ChainRestart::world_;
World ChainRestart::stepped_;
StartUpState ChainRestart::startUp_;

// Without friction and with the torque driving them from the first pass, chains spin up until
// the fixed step cannot follow them: the first overflows at pass 88, and by pass 1,000 chains
// have been restarted some 240 times (some more than once). Each pass is checked against the
// plain check on the state the step left: exactly the overflowing chains are restarted, in
// order, each with its own line flushed at once; every other chain keeps the step's bits.
TEST_F(ChainRestart, UndampedDrivenChainsOverflowAndAreRestartedOneLineEach) {
  constexpr int Passes = 1000;
  const DriveSettings settings{0.0, 100.0};
  testing::FlushRecordingBuffer buffer;
  std::ostream out(&buffer);
  int restarts = 0;
  int firstRestartPass = 0;
  for (int pass = 1; pass <= Passes; ++pass) {
    StepAllChains(world_, settings);
    stepped_ = world_;
    buffer.str("");
    buffer.flushes = 0;
    const int restarted = RestartNonFiniteChains(world_, startUp_, out);

    std::string expected;
    for (int i = 0; i < ChainCount; ++i) {
      const bool overflowed = !EveryValueFinite(stepped_, i);
      if (overflowed) expected += "chain " + std::to_string(i) + " restarted\n";
      const double(&angles)[JointsPerChain] = overflowed ? startUp_.angles[i] : stepped_.angles[i];
      const double(&momenta)[JointsPerChain] =
          overflowed ? startUp_.momenta[i] : stepped_.momenta[i];
      ASSERT_EQ(std::memcmp(world_.angles[i], angles, sizeof angles), 0)
          << "chain " << i << ", pass " << pass;
      ASSERT_EQ(std::memcmp(world_.momenta[i], momenta, sizeof momenta), 0)
          << "chain " << i << ", pass " << pass;
      ASSERT_TRUE(EveryValueFinite(world_, i)) << "chain " << i << ", pass " << pass;
    }
    ASSERT_EQ(buffer.str(), expected) << "pass " << pass;
    ASSERT_EQ(buffer.flushes, restarted) << "pass " << pass << ": a line was not flushed";
    if (restarted > 0 && firstRestartPass == 0) firstRestartPass = pass;
    restarts += restarted;
  }
  std::printf("%d restarts in %d passes, the first at pass %d\n", restarts, Passes,
              firstRestartPass);
  EXPECT_GE(restarts, 1);
}

TEST_F(ChainRestart, RestartingAllocatesNothing) {
  world_.angles[3][0] = std::numeric_limits<double>::quiet_NaN();
  world_.momenta[42][JointsPerChain - 1] = -std::numeric_limits<double>::infinity();
  testing::FixedStreamBuffer buffer;
  std::ostream out(&buffer);
  const long long before = testing::AllocationCount();
  EXPECT_EQ(RestartNonFiniteChains(world_, startUp_, out), 2);
  EXPECT_EQ(testing::AllocationCount(), before);
}

}  // namespace
}  // namespace pendula
