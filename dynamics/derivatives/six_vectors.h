// The products of motions, forces and rigid inertias in base coordinates that the Jacobian's
// per-joint vectors are made of, over the lane type T (a double or a pack, lane by lane).
#pragma once

#include <cstddef>

#include "dynamics/derivatives/column_runs.h"
#include "dynamics/lanes/code_target.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace jacobian {

// out = a x b for three-vectors.
template <typename T, typename A, typename B>
inline void Cross(const A* a, const B* b, T* out) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

// a x m for motions a, m: (a_w x m_w; a_w x m_v + a_v x m_w).
template <typename T, typename M>
inline void MotionCross(const T* a, const M* m, T* out) {
  T t[3];
  Cross(a, m, out);
  Cross(a, m + 3, out + 3);
  Cross(a + 3, m, t);
  for (int i = 0; i < 3; ++i) out[3 + i] += t[i];
}

// a x* f for a motion a and a force f: (a_w x f_n + a_v x f_f; a_w x f_f).
template <typename T>
inline void ForceCross(const T* a, const T* f, T* out) {
  T t[3];
  Cross(a, f, out);
  Cross(a + 3, f + 3, t);
  for (int i = 0; i < 3; ++i) out[i] += t[i];
  Cross(a, f + 3, out + 3);
}

// a·b for six-vectors, summed in index order.
template <typename T>
inline T Dot6(const T* a, const T* b) {
  T sum = T{};
  for (int i = 0; i < 6; ++i) sum += a[i] * b[i];
  return sum;
}

// A six-vector held in six values, and Dot6 of it with the six-vectors y whose component k is at
// y[k·n] (JacobianArrays::columns), a run of them as V: the same sum in the same order, each
// product with the held vector's component first (HeldFirst) or second.
template <typename T>
struct HeldSix {
  T x0, x1, x2, x3, x4, x5;
  explicit HeldSix(const T* x) : x0(x[0]), x1(x[1]), x2(x[2]), x3(x[3]), x4(x[4]), x5(x[5]) {}
  template <typename V, bool HeldFirst = true>
  V Dot(const T* y, std::ptrdiff_t n) const {
    V sum = V{};
    sum += Product<HeldFirst>(x0, LoadRun<V>(y));
    sum += Product<HeldFirst>(x1, LoadRun<V>(y + n));
    sum += Product<HeldFirst>(x2, LoadRun<V>(y + 2 * n));
    sum += Product<HeldFirst>(x3, LoadRun<V>(y + 3 * n));
    sum += Product<HeldFirst>(x4, LoadRun<V>(y + 4 * n));
    sum += Product<HeldFirst>(x5, LoadRun<V>(y + 5 * n));
    return sum;
  }
  template <bool HeldFirst, typename V>
  static V Product(const T& held, const V& other) {
    if constexpr (HeldFirst) {
      return held * other;
    } else {
      return other * held;
    }
  }
};

// A rigid inertia as (m, first moment s = m c, rotational inertia about the base origin xx, xy,
// xz, yy, yz, zz) applied to a motion: (I_O w + s x v; m v - s x w).
template <typename T, typename X>
inline void ApplyInertia(const T* I, const X* x, T* out) {
  const T* s = I + 1;
  const T* R = I + 4;
  T t[3];
  out[0] = R[0] * x[0] + R[1] * x[1] + R[2] * x[2];
  out[1] = R[1] * x[0] + R[3] * x[1] + R[4] * x[2];
  out[2] = R[2] * x[0] + R[4] * x[1] + R[5] * x[2];
  Cross(s, x + 3, t);
  for (int i = 0; i < 3; ++i) out[i] += t[i];
  Cross(s, x, t);
  for (int i = 0; i < 3; ++i) out[3 + i] = I[0] * x[3 + i] - t[i];
}

// out = a·b for 3x3 row-major matrices.
template <typename T, typename B>
inline void Multiply3(const T* a, const B* b, T* out) {
  for (std::ptrdiff_t r = 0; r < 3; ++r) {
    for (std::ptrdiff_t c = 0; c < 3; ++c) {
      out[3 * r + c] = a[3 * r] * b[c] + a[3 * r + 1] * b[3 + c] + a[3 * r + 2] * b[6 + c];
    }
  }
}

}  // namespace jacobian
}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
