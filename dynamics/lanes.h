// Lanes: a pair of doubles that the in-plane evaluation carries through the same arithmetic as a
// double, one chain in each lane, so that one instruction advances two chains. Each lane is
// computed exactly as a lone double would be (the packed SSE2 operations round per lane as the
// scalar ones do), so a chain's results do not depend on whether it ran alone or in a pair.
#pragma once

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace pendula {

// Two doubles in one SSE2 register; +, -, *, / and unary - act lane by lane, and a double
// operand is taken in both lanes.
using DoublePair = double __attribute__((vector_size(2 * sizeof(double))));
// The lane masks of DoublePair comparisons (all ones where true), and bit patterns of its lanes.
using Int64Pair = std::int64_t __attribute__((vector_size(2 * sizeof(std::int64_t))));
// Two 32-bit integers, what the conversions of a DoublePair to integers give.
using Int32Pair = std::int32_t __attribute__((vector_size(2 * sizeof(std::int32_t))));

// The number of chains that one value of T carries.
template <typename T>
constexpr int LaneCount = sizeof(T) / sizeof(double);

// x in every lane of T.
template <typename T>
inline T LaneSplat(double x) {
  if constexpr (std::is_same_v<T, double>) {
    return x;
  } else {
    return T{x, x};
  }
}

// The bits of x read as a To of the same size.
template <typename To, typename From>
inline To BitsAs(const From& x) {
  static_assert(sizeof(To) == sizeof(From), "a reinterpretation keeps the size");
  To y;
  std::memcpy(&y, &x, sizeof y);
  return y;
}

}  // namespace pendula
