// A chain whose state is not finite, fed through the idle pass as the program would step it.
// Faults these would catch: a lookup that reads the table out of bounds for an angle it cannot
// reduce (under the sanitizers, a crash or a report), and a non-finite chain whose NaNs leak
// through the one shared workspace into the chains stepped after it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "app/idle_pass.h"
#include "app/world.h"
#include "dynamics/dynamics.h"

namespace pendula {
namespace {

constexpr double Step = 0.012;
constexpr int PoisonedChain = 7;
constexpr int PoisonedJoint = 4;
constexpr int Passes = 3;

// Beyond the 2^30 whole turns that the lookup's 32-bit reduction can take.
constexpr double AngleBeyondReduction = 1e10;

class NonFiniteState : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setUpModel(Step); }
  static void StartUp(World& world) {
    SetInitialAnglesAndRates(world);
    InitialiseMomenta(world);
  }
  static World poisoned_;
  static World clean_;
};
World NonFiniteState::poisoned_;
World NonFiniteState::clean_;

void ExpectOnlyThePoisonedChainTouched(const World& poisoned, const World& clean) {
  for (int i = 0; i < ChainCount; ++i) {
    if (i == PoisonedChain) continue;
    EXPECT_EQ(std::memcmp(poisoned.angles[i], clean.angles[i], sizeof clean.angles[i]), 0)
        << "chain " << i << " was disturbed by the non-finite chain";
    EXPECT_EQ(std::memcmp(poisoned.momenta[i], clean.momenta[i], sizeof clean.momenta[i]), 0)
        << "chain " << i << " was disturbed by the non-finite chain";
  }
}

TEST_F(NonFiniteState, NonFiniteOrUnreducibleAngleTurnsTheWholeChainNaN) {
  const double angles[] = {
      std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(), AngleBeyondReduction, -AngleBeyondReduction};
  for (double angle : angles) {
    SCOPED_TRACE(angle);
    StartUp(poisoned_);
    StartUp(clean_);
    poisoned_.angles[PoisonedChain][PoisonedJoint] = angle;
    for (int pass = 0; pass < Passes; ++pass) {
      StepAllChains(poisoned_, InitialDriveSettings());
      StepAllChains(clean_, InitialDriveSettings());
    }
    for (int k = 0; k < JointsPerChain; ++k) {
      EXPECT_TRUE(std::isnan(poisoned_.angles[PoisonedChain][k])) << "joint " << k + 1;
      EXPECT_TRUE(std::isnan(poisoned_.momenta[PoisonedChain][k])) << "joint " << k + 1;
    }
    ExpectOnlyThePoisonedChainTouched(poisoned_, clean_);
  }
}

TEST_F(NonFiniteState, NonFiniteMomentumLeavesNoFiniteValueInTheChain) {
  const double momenta[] = {std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity()};
  for (double momentum : momenta) {
    SCOPED_TRACE(momentum);
    StartUp(poisoned_);
    StartUp(clean_);
    poisoned_.momenta[PoisonedChain][PoisonedJoint] = momentum;
    for (int pass = 0; pass < Passes; ++pass) {
      StepAllChains(poisoned_, InitialDriveSettings());
      StepAllChains(clean_, InitialDriveSettings());
    }
    for (int k = 0; k < JointsPerChain; ++k) {
      EXPECT_FALSE(std::isfinite(poisoned_.angles[PoisonedChain][k])) << "joint " << k + 1;
      EXPECT_FALSE(std::isfinite(poisoned_.momenta[PoisonedChain][k])) << "joint " << k + 1;
    }
    ExpectOnlyThePoisonedChainTouched(poisoned_, clean_);
  }
}

}  // namespace
}  // namespace pendula
