// The lane widths this build has and this CPU can run: 2 (SSE2, every x86-64 CPU, and WebAssembly
// SIMD), 4 (AVX2) and 8 (AVX-512F).
#pragma once

namespace pendula {

// Whether this build has the lanes of `width` (2, 4 or 8) and this CPU can run them.
bool LaneWidthAvailable(int width);

// The widest lane pack that this build and this CPU can step chains in.
int WidestLaneWidth();

}  // namespace pendula
