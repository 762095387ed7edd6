#include "app/idle_pass.h"

#include <gtest/gtest.h>

#include <cstring>

#include "pendula/dynamics.h"
#include "tests/support/allocation_counter.h"

namespace pendula {
namespace {

constexpr double Step = 0.012;

TEST(SimulationClock, RequestsARedrawOnEveryFifthPassOnly) {
  SimulationClock clock = InitialSimulationClock();
  for (int pass = 1; pass <= 50; ++pass) {
    EXPECT_EQ(AdvanceSimulationClock(clock, Step), pass % 5 == 0) << "pass " << pass;
    EXPECT_GE(clock.passPhase, 0);
    EXPECT_LT(clock.passPhase, PassesPerRedraw);
  }
}

TEST(SimulationClock, SimulatedTimeIsTheStepSummedPassByPass) {
  SimulationClock clock = InitialSimulationClock();
  double expected = 0.0;
  for (int pass = 1; pass <= 1000; ++pass) {
    AdvanceSimulationClock(clock, Step);
    expected = Step + expected;
    ASSERT_EQ(clock.simulatedTime, expected);  // the same sum, bit for bit
  }
  SimulationClock five = InitialSimulationClock();
  for (int pass = 0; pass < 5; ++pass) AdvanceSimulationClock(five, Step);
  EXPECT_NEAR(five.simulatedTime, 0.06, 1e-16);
}

class IdlePass : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setUpModel(Step); }
  void SetUp() override {
    SetInitialAnglesAndRates(world_);
    InitialiseMomenta(world_);
  }
  static World world_;
};
World IdlePass::world_;

TEST_F(IdlePass, StepsEveryChainOnceWithTheSameSettings) {
  static World expected;
  std::memcpy(&expected, &world_, sizeof(World));
  const DriveSettings settings{1.0, 100.0};
  for (int i = 0; i < ChainCount; ++i)
    HeunStep(expected.momenta[i], expected.angles[i], 1.0, 100.0);

  StepAllChains(world_, settings);

  EXPECT_EQ(std::memcmp(world_.angles, expected.angles, sizeof(expected.angles)), 0);
  EXPECT_EQ(std::memcmp(world_.momenta, expected.momenta, sizeof(expected.momenta)), 0);
}

TEST_F(IdlePass, FirstPassFromStartUpGivesTheKnownMomenta) {
  StepAllChains(world_, InitialDriveSettings());
  EXPECT_NEAR(world_.momenta[0][0], -23.53596, 0.5e-5);  // chain 0 lies straight along +x
  EXPECT_NEAR(world_.momenta[1][0], -9.604728, 0.5e-6);  // chain 1's joint 1 starts at 20 rad
}

TEST_F(IdlePass, AllocatesNothing) {
  StepAllChains(world_, InitialDriveSettings());
  const auto before = testing::AllocationCount();
  StepAllChains(world_, InitialDriveSettings());
  EXPECT_EQ(testing::AllocationCount(), before);
}

}  // namespace
}  // namespace pendula
