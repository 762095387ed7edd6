// A wall clock in milliseconds since the process started, the time base of the statistics.
#pragma once

namespace pendula {

// Reads a millisecond clock; the statistics take one of these so that tests can substitute it.
using MillisecondClock = double (*)();

// Whole milliseconds of elapsed real time since process start, from a monotonic clock. The
// count is kept in 64 bits, so it never wraps; as a double it is exact for 285,000 years.
double WallClockMilliseconds();

}  // namespace pendula
