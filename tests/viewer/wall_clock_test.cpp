#include "viewer/wall_clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

namespace pendula {
namespace {

// The whole test binary, death-test children included, starts well within this time; a clock
// counting from some other epoch (boot, 1970) reads far more.
constexpr double kProcessStartSlackMs = 30000.0;

TEST(WallClockMilliseconds, CountsFromProcessStart) {
  const double now = WallClockMilliseconds();
  EXPECT_GE(now, 0.0);
  EXPECT_LT(now, kProcessStartSlackMs);
}

TEST(WallClockMilliseconds, NeverGoesBackwards) {
  double previous = WallClockMilliseconds();
  for (int reading = 0; reading < 100000; ++reading) {
    const double now = WallClockMilliseconds();
    ASSERT_GE(now, previous);
    previous = now;
  }
}

TEST(WallClockMilliseconds, ReadsWholeMilliseconds) {
  for (int reading = 0; reading < 1000; ++reading) {
    const double now = WallClockMilliseconds();
    ASSERT_EQ(now, std::floor(now));
  }
}

// A processor-time clock would barely move while the thread sleeps.
TEST(WallClockMilliseconds, CountsWallTimeNotProcessorTime) {
  constexpr int kSleepMs = 50;
  const double before = WallClockMilliseconds();
  std::this_thread::sleep_for(std::chrono::milliseconds(kSleepMs));
  const double after = WallClockMilliseconds();
  // Both readings are truncated to whole milliseconds, so the difference may lose one.
  EXPECT_GE(after - before, kSleepMs - 1);
}

}  // namespace
}  // namespace pendula
