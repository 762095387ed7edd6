#include "viewer/statistics.h"

namespace pendula {

// The clock counts milliseconds; the rates are per second.
constexpr double MillisecondsPerSecond = 1000.0;

Statistics StartStatistics(MillisecondClock clock) {
  const double runStart = clock();
  const double windowStart = clock();
  return Statistics{0, runStart, windowStart};
}

void StatisticsStep(Statistics& statistics, double simulatedTime, MillisecondClock clock,
                    std::ostream& out) {
  statistics.frameCounter += 1;
  if (statistics.frameCounter != FramesPerReport) return;
  statistics.frameCounter = 0;

  const double t1 = clock();
  const double frameRate =
      static_cast<double>(FramesPerReport) / (t1 - statistics.windowStart) * MillisecondsPerSecond;
  out << "Frame rate: " << frameRate << "fps\n" << std::flush;

  // The next window starts after the frame-rate line is written.
  statistics.windowStart = clock();

  const double t2 = clock();
  const double simulatedPerRealTime =
      simulatedTime / (t2 - statistics.runStart) * MillisecondsPerSecond;
  out << "SCR: " << simulatedPerRealTime << '\n' << std::flush;
}

}  // namespace pendula
