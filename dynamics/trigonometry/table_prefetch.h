// Requests for the table lines that lookups will soon read, issued as soon as their angles are
// known, so that the lines are on their way long before the lookups need them. A request changes
// no value: a wrong guess costs a line fetched for nothing.
#pragma once

#include <cstdint>
#include <cstring>

#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"
#include "dynamics/trigonometry/sine_table.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// Whether this target has an instruction for the requests; without one (WebAssembly) the
// requests' arithmetic would be spent for nothing.
#if defined(__x86_64__) || defined(__i386__)
constexpr bool CanRequestLines = true;
#else
constexpr bool CanRequestLines = false;
#endif

namespace detail {

// One request for the line holding `address`, written as an instruction the compiler must keep
// (it may drop a builtin prefetch in a function that does nothing else).
inline void RequestLine(const double* address) {
#if defined(__x86_64__) || defined(__i386__)
  asm volatile("prefetcht0 %0" : : "m"(*address));
#else
  __builtin_prefetch(address, 0, 3);
#endif
}

// The lines near the lookups of sin x and of sin(π/2 - x), lane by lane: the lookup rule's
// reduction with the division by SineStep replaced by a multiplication by its reciprocal (the
// place may be one entry off, which does not matter to a request), clamped into the table for
// any angle, finite or not.
template <int W>
inline void RequestLinesOfRegister(const SineTable& table, const LanePack<W>& angles) {
  using Pack = LanePack<W>;
  using Int32Lanes = typename LaneTypes<W>::Int32Lanes;
  const double inverseStep = 1.0 / table.step;
  const Int32Lanes last = Int32Lanes{} + (table.size - 1);
  const Pack both[2] = {angles, HalfPi - angles};
  for (const Pack& x : both) {
    Int32Lanes entry = TruncatedToInt32<W>(ReducedAnglesOf<W>(x).magnitude * inverseStep);
    // Past the table (or 0x80000000, the conversion's mark): the last entry instead.
    const Int32Lanes outside = (entry > last) | (entry < 0);
    entry = (entry & ~outside) | (last & outside);
    // Through memory: one load a lane is cheaper than taking the lanes out of the register.
    alignas(32) std::int32_t place[W];
    std::memcpy(place, &entry, sizeof place);
    asm("" : "+m"(place));
    for (int lane = 0; lane < W; ++lane) RequestLine(table.entries + place[lane]);
  }
}

}  // namespace detail

// Requests the lines of the lookups of sin and cos of each lane of `angles` (a pack or a pair).
template <typename T>
inline void RequestLinesOf(const SineTable& table, const T& angles) {
  if constexpr (IsPackPair<T>::value) {
    RequestLinesOf(table, angles.low);
    RequestLinesOf(table, angles.high);
  } else {
    detail::RequestLinesOfRegister<LaneCount<T>>(table, angles);
  }
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
