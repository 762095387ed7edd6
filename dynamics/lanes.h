// Lanes: a pair of doubles that the in-plane evaluation carries through the same arithmetic as a
// double, one chain in each lane, so that one instruction advances two chains. Each lane is
// computed exactly as a lone double would be (the packed SSE2 operations round per lane as the
// scalar ones do), so a chain's results do not depend on whether it ran alone or in a pair.
#pragma once

#include <type_traits>

namespace pendula {

// Two doubles in one SSE2 register; +, -, *, / and unary - act lane by lane, and a double
// operand is taken in both lanes.
using DoublePair = double __attribute__((vector_size(2 * sizeof(double))));

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

// Lane `lane` of x.
inline double LaneOf(double x, int) {
  return x;
}
inline double LaneOf(const DoublePair& x, int lane) {
  return x[lane];
}

}  // namespace pendula
