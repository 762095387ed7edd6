// The speed report: every 20 displays, the frame rate over those displays and the ratio of
// simulated to real time since the start of the run.
#pragma once

#include <ostream>

#include "viewer/wall_clock.h"

namespace pendula {

// Displays per report.
constexpr int FramesPerReport = 20;

struct Statistics {
  int frameCounter;    // displays since the last report, 0..19
  double runStart;     // clock reading (ms) at start-up; the ratio averages from here
  double windowStart;  // clock reading (ms) at the start of the current 20-display window
};

// Takes the two start-up samples, run start first, then the start of the first window.
Statistics StartStatistics(MillisecondClock clock);

// Counts one display. On every 20th, with t1, t2 two fresh clock readings, writes
//   "Frame rate: " 20 / (t1 - windowStart) * 1000 "fps"
// then renews windowStart with a third reading taken after that line, and writes
//   "SCR: " simulatedTime / (t2 - runStart) * 1000
// each line ended by a newline and flushed. A zero difference prints as the stream prints the
// infinity (or NaN) that the division gives.
void StatisticsStep(Statistics& statistics, double simulatedTime, MillisecondClock clock,
                    std::ostream& out);

}  // namespace pendula
