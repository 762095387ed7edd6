#include "viewer/statistics.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "tests/support/flush_recording_buffer.h"

namespace pendula {
namespace {

// A clock that reads whatever the test last set, and counts its readings.
double fakeNowMs = 0.0;
int fakeReadings = 0;
double FakeClock() {
  fakeReadings += 1;
  return fakeNowMs;
}

class StatisticsStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fakeNowMs = 0.0;
    fakeReadings = 0;
    statistics = StartStatistics(FakeClock);
  }
  void Display(int times, double simulatedTime = 0.0) {
    for (int display = 0; display < times; ++display) {
      StatisticsStep(statistics, simulatedTime, FakeClock, out);
    }
  }
  Statistics statistics{};
  std::ostringstream out;
};

TEST(StartStatistics, TakesRunStartBeforeWindowStart) {
  // Static, like the pointer into it, so the pointer never outlives what it points at.
  static double readings[2] = {100.0, 101.0};
  static double* next = readings;
  const Statistics started = StartStatistics([] { return *next++; });
  EXPECT_EQ(started.frameCounter, 0);
  EXPECT_EQ(started.runStart, 100.0);
  EXPECT_EQ(started.windowStart, 101.0);
}

TEST_F(StatisticsStepTest, DisplaysOneToNineteenPrintNothingAndReadNoClock) {
  const int readingsAtStart = fakeReadings;
  Display(19);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(fakeReadings, readingsAtStart);
}

TEST_F(StatisticsStepTest, TwentiethDisplayPrintsFrameRateThenRatio) {
  Display(19);
  fakeNowMs = 420.0;
  Display(1, 4.8);
  // 20 / 420 * 1000 = 47.619047..., 4.8 / 420 * 1000 = 11.428571...
  EXPECT_EQ(out.str(), "Frame rate: 47.619fps\nSCR: 11.4286\n");
}

TEST_F(StatisticsStepTest, RatioOfSimulatedToRealTimeUsesRunStart) {
  fakeNowMs = 8400.0;
  Display(20, 4.8);
  EXPECT_EQ(out.str(), "Frame rate: 2.38095fps\nSCR: 0.571429\n");
}

TEST_F(StatisticsStepTest, FortiethDisplayPrintsTheNextPairOverTheNewWindow) {
  fakeNowMs = 1000.0;
  Display(20, 1.2);
  out.str("");
  fakeNowMs = 1500.0;
  Display(19, 2.4);
  EXPECT_EQ(out.str(), "");
  Display(1, 2.4);
  // The second window runs from 1000 to 1500 ms; the ratio still averages from 0.
  EXPECT_EQ(out.str(), "Frame rate: 40fps\nSCR: 1.6\n");
}

TEST_F(StatisticsStepTest, RunStartIsNeverRenewed) {
  fakeNowMs = 1000.0;
  Display(40, 6.0);
  EXPECT_EQ(statistics.runStart, 0.0);
  EXPECT_EQ(statistics.windowStart, 1000.0);
}

TEST_F(StatisticsStepTest, WindowStartIsTheReadingTakenBetweenTheTwoLines) {
  // Readings on a print: t1 for the frame rate, then the new window start, then t2.
  static int reading = 0;
  reading = 0;
  const MillisecondClock steppingClock = [] {
    reading += 1;
    return 1000.0 * reading;
  };
  statistics = Statistics{19, 0.0, 0.0};
  StatisticsStep(statistics, 3.0, steppingClock, out);
  EXPECT_EQ(statistics.windowStart, 2000.0);
  // 20 / 1000 * 1000 = 20; 3 / 3000 * 1000 = 1.
  EXPECT_EQ(out.str(), "Frame rate: 20fps\nSCR: 1\n");
}

TEST_F(StatisticsStepTest, ZeroElapsedTimePrintsInfinityWithoutCrashing) {
  Display(20, 4.8);
  EXPECT_EQ(out.str(), "Frame rate: inffps\nSCR: inf\n");
}

TEST_F(StatisticsStepTest, ZeroOverZeroPrintsNotANumberWithoutCrashing) {
  Display(20, 0.0);
  const std::string printed = out.str();
  EXPECT_EQ(printed.rfind("Frame rate: inffps\nSCR: ", 0), 0u) << printed;
  EXPECT_NE(printed.find("nan\n"), std::string::npos) << printed;
}

TEST_F(StatisticsStepTest, EachLineIsFlushedAsSoonAsItIsWritten) {
  testing::FlushRecordingBuffer buffer;
  std::ostream stream(&buffer);
  fakeNowMs = 420.0;
  for (int display = 0; display < 20; ++display) {
    StatisticsStep(statistics, 4.8, FakeClock, stream);
  }
  ASSERT_EQ(buffer.flushes, 2);
  EXPECT_EQ(buffer.heldAtFlush[0], "Frame rate: 47.619fps\n");
  EXPECT_EQ(buffer.heldAtFlush[1], "Frame rate: 47.619fps\nSCR: 11.4286\n");
}

}  // namespace
}  // namespace pendula
