// sin x and cos x of the C library at once: one argument reduction and both kernels, where the
// library has sincos (glibc, and musl under emscripten), whose results are bit for bit those of
// std::sin and std::cos there, as they take the same reduction and the same kernels; std::sin
// and std::cos elsewhere.
#pragma once

#include <cmath>

namespace pendula {

inline void ExactSineAndCosine(double x, double& s, double& c) {
#if defined(__GLIBC__) || defined(__EMSCRIPTEN__)
  ::sincos(x, &s, &c);
#else
  s = std::sin(x);
  c = std::cos(x);
#endif
}

}  // namespace pendula
