// The lane widths this build has and this CPU can run: 2 (SSE2, every x86-64 CPU, and WebAssembly
// SIMD), 4 (AVX2) and 8 (AVX-512F).
#pragma once

#include <type_traits>

namespace pendula {

// Whether this build has the lanes of `width` (2, 4 or 8) and this CPU can run them.
bool LaneWidthAvailable(int width);

// The widest lane pack that this build and this CPU can step chains in.
int WidestLaneWidth();

// f(std::integral_constant<int, W>{}) for the width W given, one that this build has (2, the
// width every build has, for any other): the one dispatch from a run-time width to the code
// compiled for it.
template <typename F>
decltype(auto) AtLaneWidth(int width, F&& f) {
  switch (width) {
#ifdef PENDULA_HAVE_LANE_WIDTH_8
    case 8:
      return f(std::integral_constant<int, 8>{});
#endif
#ifdef PENDULA_HAVE_LANE_WIDTH_4
    case 4:
      return f(std::integral_constant<int, 4>{});
#endif
    default:
      return f(std::integral_constant<int, 2>{});
  }
}

}  // namespace pendula
