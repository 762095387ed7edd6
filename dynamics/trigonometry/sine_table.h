// The SineTable: one period of the sine in 1,000,000 entries, the only source of sines and
// cosines in the dynamics, and the lookup rule by which the passes read it, for one angle or for
// a pack of angles lane by lane.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>

#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"

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

// A table's entries and its spacing SineStep = 2π / (n - 1). Read-only once built.
struct SineTable {
  double* entries;
  double step;
  int size;
};

// Builds the table with n entries (n >= 2): SineStep = 2π/(n - 1), entry i = sin(i·SineStep) by
// the platform's double-precision sine. The storage lives for the rest of the process; a rebuild
// of the same size reuses it.
void BuildSineTable(SineTable& table, int n);

inline namespace PENDULA_CODE_TARGET {

// Where the lookup of an angle reads: the table entry and whether it is negated. An angle out of
// range reads no entry (entry = -1).
struct SineTablePlace {
  std::int32_t entry;
  std::uint64_t signFlip;  // the sign bit, set for r < 0
};

// The lookup rule:
//   j = trunc(x·1/(2π)) as a 32-bit integer,  r = x - (2·j)·π  (2·j a 32-bit integer),
//   i = trunc(r / SineStep)  (a division, not a multiplication by the reciprocal),
//   result = entry(i) for r >= 0, -entry(-i) for r < 0.
// A non-finite angle, or one of 2^30 turns or more, gives a quiet NaN and reads no entry:
// converting such a turn count to a 32-bit integer would be undefined behaviour.
// It is split in two, the arithmetic (SineTablePlaceOf) and the read (SineAt), so that a pass can
// do all its arithmetic first and then issue its reads back to back, their cache misses
// overlapping.
inline SineTablePlace SineTablePlaceOf(const SineTable& table, double angle) {
  const double turns = angle * InverseTwoPi;
  if (!(std::fabs(turns) < LookupTurnLimit)) return SineTablePlace{-1, 0};
  const std::int32_t j = static_cast<std::int32_t>(turns);
  const std::int32_t evenTurns = 2 * j;  // |2·j| <= 2^31 - 2: no overflow
  const double r = angle - static_cast<double>(evenTurns) * Pi;
  // |r| < 2π + 3e-6 here, so |i| <= SineTableSize - 1 (see the SineTable tests).
  const std::int32_t i = static_cast<std::int32_t>(r / table.step);
  // -entry(-i) for r < 0: flip the sign bit without a branch (the sign of r is unpredictable).
  return SineTablePlace{std::abs(i), static_cast<std::uint64_t>(r < 0.0) << 63};
}

inline double SineAt(const SineTable& table, SineTablePlace place) {
  // One unsigned comparison rejects the out-of-range mark -1 and, as a second line of defence,
  // any index past the last entry: the table is never read outside its bounds.
  if (static_cast<std::uint32_t>(place.entry) >= static_cast<std::uint32_t>(table.size)) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return BitsAs<double>(BitsAs<std::uint64_t>(table.entries[place.entry]) ^ place.signFlip);
}

inline double SineFromTable(const SineTable& table, double angle) {
  return SineAt(table, SineTablePlaceOf(table, angle));
}

// cos(x) = SineFromTable(π/2 - x).
inline double CosineFromTable(const SineTable& table, double angle) {
  return SineFromTable(table, HalfPi - angle);
}

// A bound on |r| below which the index trunc(|r| / SineStep) lies in the table:
// |r| < SineStep·(n - 1/2) gives a quotient below n at every table size (below 2^51). Every angle
// of the lookup's range has |r| < 2π + 3e-6, below the bound of the program's table (2π + 3.14e-6),
// so the test costs nothing to the rule: it only lets a pass decide whether a register's lanes all
// read the table before the division is done. A lane that fails it goes through the single lookup,
// which gives the same result.
inline double InTableBelow(const SineTable& table) {
  return table.step * (static_cast<double>(table.size) - 0.5);
}

// Where the lookups of a pack of angles read, lane by lane. inTable says that every lane's entry
// lies in the table, which the lookup of an angle in range always gives.
// Those of a pack wider than a register are the places of its two halves.
template <int W, bool TwoRegisters = (W > RegisterLanes)>
struct SineTablePlaces {
  typename LaneTypes<W>::Int64Lanes signFlip;
  typename LaneTypes<W>::Int32Lanes entry;
  bool inTable;
};
template <int W>
struct SineTablePlaces<W, true> {
  SineTablePlaces<W / 2> low, high;
};

// The lookup rule's reduction of each lane of a pack: the even turn count 2·j as a double (the
// 32-bit sum wraps for |j| >= 2^30), r = x - (2·j)·π and |r|.
template <int W>
struct ReducedAngles {
  LanePack<W> evenTurns, r, magnitude;
};
template <int W>
inline ReducedAngles<W> ReducedAnglesOf(const LanePack<W>& angles) {
  using Int64Lanes = typename LaneTypes<W>::Int64Lanes;
  using Int32Lanes = typename LaneTypes<W>::Int32Lanes;
  typedef std::uint32_t Uint32Lanes __attribute__((vector_size(W * sizeof(std::uint32_t))));
  constexpr std::int64_t magnitudeBits = std::numeric_limits<std::int64_t>::max();
  const Uint32Lanes j = BitsAs<Uint32Lanes>(TruncatedToInt32<W>(angles * InverseTwoPi));
  const LanePack<W> evenTurns = Int32AsDouble<W>(BitsAs<Int32Lanes>(j + j));
  const LanePack<W> r = angles - evenTurns * Pi;
  return ReducedAngles<W>{evenTurns, r, BitsAs<LanePack<W>>(BitsAs<Int64Lanes>(r) & magnitudeBits)};
}

// SineTablePlaceOf of every lane at once, with the same operations lane by lane. The conversions
// are the instructions', defined for every input: a turn count out of the 32-bit range (or NaN)
// converts to 0x80000000. An angle of 2^30 turns or more, which the rule rejects, then doubles
// that count out of range, so that |r| is over 2^31·π and its index far past the table, or, for
// j = -2^30 alone, doubles it to exactly 0x80000000: the two tests, the first on |r| against
// InTableBelow, send every angle the rule rejects to the single lookup, and no angle of its
// range. The index comes from |r|/SineStep, which is exactly |r/SineStep|, so no
// integer absolute value is needed. A pack with a lane out of range goes lane by lane through
// SineTablePlaceOf.
template <int W>
inline std::enable_if_t<(W <= RegisterLanes), SineTablePlaces<W>> SineTablePlacesOf(
    const SineTable& table, const LanePack<W>& angles) {
  using Pack = LanePack<W>;
  constexpr std::int64_t signBit = std::numeric_limits<std::int64_t>::min();
  const ReducedAngles<W> reduced = ReducedAnglesOf<W>(angles);
  const bool inTable =
      AllLanes((reduced.magnitude < InTableBelow(table)) & (reduced.evenTurns != -2147483648.0));
  const Pack index = reduced.magnitude / table.step;
  if (inTable) {
    return SineTablePlaces<W>{(reduced.r < 0.0) & signBit, TruncatedToInt32<W>(index), true};
  }
  std::int32_t entry[W] = {};
  std::int64_t signFlip[W] = {};
  for (int lane = 0; lane < W; ++lane) {
    const SineTablePlace place = SineTablePlaceOf(table, angles[lane]);
    entry[lane] = place.entry;
    signFlip[lane] = static_cast<std::int64_t>(place.signFlip);
  }
  SineTablePlaces<W> places{};
  std::memcpy(&places.entry, entry, sizeof entry);
  std::memcpy(&places.signFlip, signFlip, sizeof signFlip);
  places.inTable = false;
  return places;
}

// The places of a pack wider than a register, each half on its own.
template <int W>
inline std::enable_if_t<(W > RegisterLanes), SineTablePlaces<W>> SineTablePlacesOf(
    const SineTable& table, const LanePack<W>& angles) {
  LanePack<W / 2> low{}, high{};
  std::memcpy(&low, &angles, sizeof low);
  std::memcpy(&high, reinterpret_cast<const char*>(&angles) + sizeof low, sizeof high);
  return SineTablePlaces<W>{SineTablePlacesOf<W / 2>(table, low),
                            SineTablePlacesOf<W / 2>(table, high)};
}

// The places of a pair of packs, each half on its own.
template <int W, typename P>
inline SineTablePlaces<W> SineTablePlacesOf(const SineTable& table, const PackPair<P>& angles) {
  static_assert(W == LaneCount<PackPair<P>>, "the places of every lane of the pair");
  constexpr int half = LaneCount<P>;
  return SineTablePlaces<W>{SineTablePlacesOf<half>(table, angles.low),
                            SineTablePlacesOf<half>(table, angles.high)};
}

// The entries at the places of a pack, lane by lane as SineAt reads them.
template <int W>
inline LanePack<W> SinesAt(const SineTable& table, const SineTablePlaces<W, false>& places) {
  using Pack = LanePack<W>;
  using Int64Lanes = typename LaneTypes<W>::Int64Lanes;
  Pack entries{};
  if (places.inTable) {
    for (int lane = 0; lane < W; ++lane) entries[lane] = table.entries[places.entry[lane]];
    return BitsAs<Pack>(BitsAs<Int64Lanes>(entries) ^ places.signFlip);
  }
  for (int lane = 0; lane < W; ++lane) {
    entries[lane] = SineAt(
        table,
        SineTablePlace{places.entry[lane], static_cast<std::uint64_t>(places.signFlip[lane])});
  }
  return entries;
}

template <int W>
inline WidePack<W> SinesAt(const SineTable& table, const SineTablePlaces<W, true>& places) {
  return {SinesAt(table, places.low), SinesAt(table, places.high)};
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
