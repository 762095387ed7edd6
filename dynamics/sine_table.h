// The SineTable: one period of the sine in 1,000,000 entries, the only source of sines
// and cosines in the dynamics, and the lookup rule by which the passes read it.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "dynamics/lanes.h"

namespace pendula {

// Entries of the table that setUpModel builds: entry i is sin(i·SineStep), i = 0 .. n - 1.
constexpr int SineTableSize = 1000000;
// 2π as the table build and the lookup take it.
constexpr double TwoPi = 6.283185307179586;
// π, the factor of the even turn count 2·j in the reduction.
constexpr double Pi = 3.141592653589793;
// π/2, the shift that turns a sine lookup into a cosine lookup.
constexpr double HalfPi = 1.5707963267948966;
// 1/(2π) as a double: the turn count is angle times this.
constexpr double InverseTwoPi = 0.15915494309189535;
// Angles of this many turns or more (in magnitude) fall outside the lookup's 32-bit reduction,
// whose even count 2·j must fit a 32-bit signed integer.
constexpr double LookupTurnLimit = 1073741824.0;  // 2^30

// The process-wide table: its entries and its spacing SineStep = 2π / (n - 1).
struct SineTable {
  double* entries;
  double step;
  int size;
};
extern SineTable sineTable;

// Builds the table with n entries (n >= 2): SineStep = 2π/(n - 1), entry i = sin(i·SineStep)
// by the platform's double-precision sine. A repeated build of the same size reuses the storage.
void BuildSineTable(int n);

// Where the lookup of an angle reads: the table entry and whether it is negated. An angle out of
// range reads no entry (entry = -1).
struct SineTablePlace {
  std::int32_t entry;
  std::uint64_t signFlip;  // the sign bit, set for r < 0
};

// The lookup rule, inline for the passes (SineLookup is the same):
//   j = trunc(x·1/(2π)) as a 32-bit integer,  r = x - (2·j)·π  (2·j a 32-bit integer),
//   i = trunc(r / SineStep)  (a division, not a multiplication by the reciprocal),
//   result = entry(i) for r >= 0, -entry(-i) for r < 0.
// A non-finite angle, or one of 2^30 turns or more, gives a quiet NaN and reads no entry:
// converting such a turn count to a 32-bit integer would be undefined behaviour.
// It is split in two, the arithmetic (SineTablePlaceOf) and the read (SineAt), so that a pass can
// do all its arithmetic first and then issue its reads back to back, their cache misses
// overlapping.
inline SineTablePlace SineTablePlaceOf(double angle) {
  const double turns = angle * InverseTwoPi;
  if (!(std::fabs(turns) < LookupTurnLimit)) return SineTablePlace{-1, 0};
  const std::int32_t j = static_cast<std::int32_t>(turns);
  const std::int32_t evenTurns = 2 * j;  // |2·j| <= 2^31 - 2: no overflow
  const double r = angle - static_cast<double>(evenTurns) * Pi;
  // |r| < 2π + 3e-6 here, so |i| <= SineTableSize - 1 (see the SineTable tests).
  const std::int32_t i = static_cast<std::int32_t>(r / sineTable.step);
  // -entry(-i) for r < 0: flip the sign bit without a branch (the sign of r is unpredictable).
  return SineTablePlace{std::abs(i), static_cast<std::uint64_t>(r < 0.0) << 63};
}

// SineTablePlaceOf of both lanes at once, with the same operations lane by lane (SSE2 packed
// arithmetic rounds each lane as the scalar arithmetic does). The index comes from |r|/SineStep,
// which is exactly |r/SineStep|, so no integer absolute value is needed. A pair with a lane out
// of range goes lane by lane through SineTablePlaceOf.
inline void SineTablePlacesOf(const DoublePair& angles, SineTablePlace& first,
                              SineTablePlace& second) {
  const Int64Pair magnitudeBits = {0x7fffffffffffffff, 0x7fffffffffffffff};
  const Int64Pair signBit = {std::numeric_limits<std::int64_t>::min(),
                             std::numeric_limits<std::int64_t>::min()};
  const DoublePair turns = angles * InverseTwoPi;
  const DoublePair turnMagnitudes = BitsAs<DoublePair>(BitsAs<Int64Pair>(turns) & magnitudeBits);
  const Int64Pair inRange = turnMagnitudes < LookupTurnLimit;
  if (!(inRange[0] & inRange[1])) {
    first = SineTablePlaceOf(angles[0]);
    second = SineTablePlaceOf(angles[1]);
    return;
  }
  const Int32Pair j = __builtin_convertvector(turns, Int32Pair);
  const Int32Pair evenTurns = j + j;
  const DoublePair r = angles - __builtin_convertvector(evenTurns, DoublePair) * Pi;
  const DoublePair magnitudeOfR = BitsAs<DoublePair>(BitsAs<Int64Pair>(r) & magnitudeBits);
  const Int32Pair i = __builtin_convertvector(magnitudeOfR / sineTable.step, Int32Pair);
  const Int64Pair flip = (r < 0.0) & signBit;
  first = SineTablePlace{i[0], static_cast<std::uint64_t>(flip[0])};
  second = SineTablePlace{i[1], static_cast<std::uint64_t>(flip[1])};
}

inline double SineAt(SineTablePlace place) {
  // One unsigned comparison rejects the out-of-range mark -1 and, as a second line of defence,
  // any index past the last entry: the table is never read outside its bounds.
  if (static_cast<std::uint32_t>(place.entry) >= static_cast<std::uint32_t>(sineTable.size)) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  const double entry = sineTable.entries[place.entry];
  std::uint64_t bits;
  std::memcpy(&bits, &entry, sizeof bits);
  bits ^= place.signFlip;
  double result;
  std::memcpy(&result, &bits, sizeof result);
  return result;
}

// Asks for the cache line of the entry at place, so that a later SineAt finds it there; nothing
// for a place out of range.
inline void PrefetchSineAt(SineTablePlace place) {
  if (static_cast<std::uint32_t>(place.entry) < static_cast<std::uint32_t>(sineTable.size)) {
    __builtin_prefetch(sineTable.entries + place.entry);
  }
}

inline double SineFromTable(double angle) {
  return SineAt(SineTablePlaceOf(angle));
}

// cos(x) = SineFromTable(π/2 - x).
inline double CosineFromTable(double angle) {
  return SineFromTable(HalfPi - angle);
}

}  // namespace pendula
