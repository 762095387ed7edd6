#include "viewer/wall_clock.h"

#include <chrono>
#include <cstdint>

namespace pendula {
namespace {

using SteadyClock = std::chrono::steady_clock;

SteadyClock::time_point ProcessStart() {
  static const SteadyClock::time_point start = SteadyClock::now();
  return start;
}

// Taken during static initialisation, so readings count from process start rather than from the
// first reading.
const SteadyClock::time_point processStartTakenBeforeMain = ProcessStart();

}  // namespace

double WallClockMilliseconds() {
  const std::int64_t elapsed =
      std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - ProcessStart())
          .count();
  return static_cast<double>(elapsed);
}

}  // namespace pendula
