// A chain whose state is not finite, fed through the idle pass as the program runs it: every
// chain stepped, then the non-finite ones restarted. Faults these would catch: a lookup that
// reads the table out of bounds for an angle it cannot reduce (under the sanitizers, a crash or
// a report), a non-finite chain whose NaNs leak through the one shared workspace into the chains
// stepped after it, a poisoned chain that is not restarted, and a restart that disturbs others.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <ostream>

#include "app/chain_restart.h"
#include "app/idle_pass.h"
#include "app/world.h"
#include "pendula/dynamics.h"
#include "tests/support/flush_recording_buffer.h"

namespace pendula {
namespace {

constexpr double Step = 0.012;
constexpr int PoisonedChain = 7;
constexpr int PoisonedJoint = 4;

// Beyond the 2^30 whole turns that the lookup's 32-bit reduction can take.
constexpr double AngleBeyondReduction = 1e10;

class NonFiniteState : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { setUpModel(Step); }
  // The clean World at its start-up state, and the poisoned one as its copy, yet to be poisoned.
  static void StartUpBothWorlds() {
    SetInitialAnglesAndRates(clean_);
    InitialiseMomenta(clean_);
    RecordStartUpState(clean_, startUp_);
    poisoned_ = clean_;
  }

  // One idle pass of the poisoned World beside one of the clean World: the poisoned chain must
  // come out at its start-up state with its one line printed and flushed, every other chain
  // exactly where the clean World's step took it.
  void ExpectOnlyThePoisonedChainRestarted() {
    testing::FlushRecordingBuffer buffer;
    std::ostream out(&buffer);
    StepAllChains(poisoned_, InitialDriveSettings());
    EXPECT_EQ(RestartNonFiniteChains(poisoned_, startUp_, out), 1);
    StepAllChains(clean_, InitialDriveSettings());

    ASSERT_EQ(buffer.flushes, 1);
    EXPECT_EQ(buffer.heldAtFlush[0], "chain 7 restarted\n");
    for (int i = 0; i < ChainCount; ++i) {
      const double(&angles)[JointsPerChain] =
          i == PoisonedChain ? startUp_.angles[i] : clean_.angles[i];
      const double(&momenta)[JointsPerChain] =
          i == PoisonedChain ? startUp_.momenta[i] : clean_.momenta[i];
      EXPECT_EQ(std::memcmp(poisoned_.angles[i], angles, sizeof angles), 0) << "chain " << i;
      EXPECT_EQ(std::memcmp(poisoned_.momenta[i], momenta, sizeof momenta), 0) << "chain " << i;
    }
  }

  static World poisoned_;
  static World clean_;
  static StartUpState startUp_;
};
World NonFiniteState::poisoned_;
World NonFiniteState::clean_;
StartUpState NonFiniteState::startUp_;

TEST_F(NonFiniteState, NonFiniteOrUnreducibleAngleRestartsThatChainAlone) {
  const double angles[] = {
      std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
      -std::numeric_limits<double>::infinity(), AngleBeyondReduction, -AngleBeyondReduction};
  for (double angle : angles) {
    SCOPED_TRACE(angle);
    StartUpBothWorlds();
    poisoned_.angles[PoisonedChain][PoisonedJoint] = angle;
    ExpectOnlyThePoisonedChainRestarted();
  }
}

TEST_F(NonFiniteState, NonFiniteMomentumRestartsThatChainAlone) {
  const double momenta[] = {std::numeric_limits<double>::quiet_NaN(),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity()};
  for (double momentum : momenta) {
    SCOPED_TRACE(momentum);
    StartUpBothWorlds();
    poisoned_.momenta[PoisonedChain][PoisonedJoint] = momentum;
    ExpectOnlyThePoisonedChainRestarted();
  }
}

}  // namespace
}  // namespace pendula
