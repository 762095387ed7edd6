// sin x and cos x of pendula's own, for the models whose sines are exact (not the table's): the
// same bits on every CPU, in every build and in the page, and for a pack of angles lane for lane
// what each angle alone gives, which the C libraries' sin and cos promise neither of (glibc and
// musl differ, and glibc's choice of kernel follows the CPU). Within an ulp of the true values
// for |x| <= ReducibleAngle: the argument reduced by π/2 in three parts to about 118 bits, then
// fdlibm's minimax kernels on [-π/4, π/4]. Larger angles and values that are not finite take the
// C library's std::sin and std::cos.
#pragma once

#include <cmath>
#include <type_traits>

#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"

namespace pendula {

// The largest |x| that the reduction takes (its multiples of π/2 stay below 2^20).
constexpr double ReducibleAngle = 1e5;

inline namespace PENDULA_CODE_TARGET {
namespace exact {

// π/2 = Part1 + Part2 + Part2Tail, Part1 and Part2 of 33 bits (their products with a multiple of
// fewer than 20 bits are exact); 2/π; and 1.5·2^52, which rounds a double to an integer.
constexpr double InversePiOver2 = 6.36619772367581382433e-01;
constexpr double PiOver2Part1 = 1.57079632673412561417e+00;
constexpr double PiOver2Part2 = 6.07710050630396597660e-11;
constexpr double PiOver2Part2Tail = 2.02226624879595063154e-21;
constexpr double RoundingShift = 6755399441055744.0;

// `mask ? a : b`, lane by lane for packs.
template <typename M, typename T>
inline T Select(const M& mask, const T& a, const T& b) {
  return mask ? a : b;
}

// sin(y + e) and cos(y + e) for |y| <= π/4, e the tail of the reduced angle (fdlibm's kernels).
template <typename T>
inline void Kernels(const T& y, const T& e, T& s, T& c) {
  const T z = y * y, w = z * z, v = z * y;
  const T rs = (LaneSplat<T>(8.33333333332248946124e-03) +
                z * (LaneSplat<T>(-1.98412698298579493134e-04) +
                     z * LaneSplat<T>(2.75573137070700676789e-06))) +
               z * w *
                   (LaneSplat<T>(-2.50507602534068634195e-08) +
                    z * LaneSplat<T>(1.58969099521155010221e-10));
  s = y -
      ((z * (LaneSplat<T>(0.5) * e - v * rs) - e) - v * LaneSplat<T>(-1.66666666666666324348e-01));
  const T rc = z * (LaneSplat<T>(4.16666666666666019037e-02) +
                    z * (LaneSplat<T>(-1.38888888888741095749e-03) +
                         z * LaneSplat<T>(2.48015872894767294178e-05))) +
               w * w *
                   (LaneSplat<T>(-2.75573143513906633035e-07) +
                    z * (LaneSplat<T>(2.08757232129817482790e-09) +
                         z * LaneSplat<T>(-1.13596475577881948265e-11)));
  const T hz = LaneSplat<T>(0.5) * z;
  const T one = LaneSplat<T>(1.0);
  const T u = one - hz;
  c = u + (((one - u) - hz) + (z * rc - y * e));
}

// sin x and cos x for |x| <= ReducibleAngle, in plain arithmetic that packs lane by lane.
template <typename T>
inline void ReducedSineAndCosine(const T& x, T& s, T& c) {
  const T shift = LaneSplat<T>(RoundingShift);
  // x = n π/2 + (y + e), n the nearest integer to 2x/π.
  const T n = (x * LaneSplat<T>(InversePiOver2) + shift) - shift;
  const T r1 = x - n * LaneSplat<T>(PiOver2Part1);
  const T w1 = n * LaneSplat<T>(PiOver2Part2);
  const T r = r1 - w1;
  const T w = n * LaneSplat<T>(PiOver2Part2Tail) - ((r1 - r) - w1);
  const T y = r - w;
  const T e = (r - y) - w;
  T ks, kc;
  Kernels(y, e, ks, kc);
  // The quadrant m = n mod 4 (0 to 3, n exact): sin = ±(m odd ? kc : ks), cos = ±(m odd ? ks : kc).
  if constexpr (std::is_same_v<T, double>) {
    const int m = static_cast<int>(static_cast<long long>(n) & 3);
    const double S = (m & 1) != 0 ? kc : ks, C = (m & 1) != 0 ? ks : kc;
    s = (m & 2) != 0 ? -S : S;
    c = ((m + 1) & 2) != 0 ? -C : C;
  } else {
    // m from n by arithmetic, lane by lane: n - 4 floor(n/4).
    const T quarter = n * LaneSplat<T>(0.25);
    T whole = (quarter + shift) - shift;
    whole = Select(whole > quarter, whole - LaneSplat<T>(1.0), whole);
    const T m = n - LaneSplat<T>(4.0) * whole;
    const auto odd = (m == LaneSplat<T>(1.0)) | (m == LaneSplat<T>(3.0));
    const T S = Select(odd, kc, ks), C = Select(odd, ks, kc);
    s = Select(m >= LaneSplat<T>(2.0), -S, S);
    c = Select((m == LaneSplat<T>(1.0)) | (m == LaneSplat<T>(2.0)), -C, C);
  }
}

}  // namespace exact

// sin x and cos x of one angle, or of a pack lane by lane with the same bits.
template <typename T>
inline void ExactSineAndCosine(const T& x, T& s, T& c) {
  if constexpr (std::is_same_v<T, double>) {
    if (!(std::fabs(x) <= ReducibleAngle)) {
      s = std::sin(x);
      c = std::cos(x);
      return;
    }
    exact::ReducedSineAndCosine(x, s, c);
  } else {
    exact::ReducedSineAndCosine(x, s, c);
    const auto inside = (x <= LaneSplat<T>(ReducibleAngle)) & (x >= LaneSplat<T>(-ReducibleAngle));
    for (int lane = 0; lane < LaneCount<T>; ++lane) {
      if (inside[lane] == 0) {
        s[lane] = std::sin(x[lane]);
        c[lane] = std::cos(x[lane]);
      }
    }
  }
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
