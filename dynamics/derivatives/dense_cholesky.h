// The dense solves of the Jacobian, written once over the lane type T (a double or a pack of
// states, lane by lane the same operations): A = L Lᵀ, solves with L, and A^-1 from L.
#pragma once

#include <cmath>
#include <cstddef>
#include <type_traits>

#include "dynamics/derivatives/column_runs.h"
#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace jacobian {

// Whether every lane of d is > 0 (false for NaN), and its square root lane by lane.
template <typename T>
inline bool Positive(const T& d) {
  if constexpr (std::is_same_v<T, double>) {
    return d > 0.0;
  } else {
    bool all = true;
    for (int lane = 0; lane < static_cast<int>(sizeof(T) / sizeof(double)); ++lane) {
      all &= d[lane] > 0.0;
    }
    return all;
  }
}
template <typename T>
inline T SquareRoot(const T& d) {
  if constexpr (std::is_same_v<T, double>) {
    return std::sqrt(d);
  } else {
    T r = d;
    for (int lane = 0; lane < static_cast<int>(sizeof(T) / sizeof(double)); ++lane) {
      r[lane] = std::sqrt(d[lane]);
    }
    return r;
  }
}

// Cholesky A = L Lᵀ in place (lower triangle; the upper keeps A's); false if A is not positive
// definite (in any lane). A must be symmetric in its stored values. For doubles, column j of L
// is formed as a run of rows from row j of A's upper triangle and the factor's earlier columns
// kept by column in `byColumn` (n·n, L's column k at byColumn + k·n), each entry by the same
// operations in the same order as a row at a time.
template <typename T>
bool FactorCholesky(T* a, int n, T* byColumn) {
  for (std::ptrdiff_t j = 0; j < n; ++j) {
    T d = a[j * n + j];
    for (std::ptrdiff_t k = 0; k < j; ++k) d -= a[j * n + k] * a[j * n + k];
    if (!Positive(d)) return false;
    const T l = SquareRoot(d);
    a[j * n + j] = l;
    if constexpr (std::is_same_v<T, double>) {
      const T* row = a + j * n;
      T* column = byColumn + j * n;
      ForColumnRuns<T>(j + 1, n, [&](auto run, std::ptrdiff_t i) {
        using V = decltype(run);
        V x = LoadRun<V>(row + i);
        for (std::ptrdiff_t k = 0; k < j; ++k) x = x - LoadRun<V>(byColumn + k * n + i) * row[k];
        StoreRun(column + i, x / l);
      });
      for (std::ptrdiff_t i = j + 1; i < n; ++i) a[i * n + j] = column[i];
    } else {
      for (std::ptrdiff_t i = j + 1; i < n; ++i) {
        T x = a[i * n + j];
        for (std::ptrdiff_t k = 0; k < j; ++k) x -= a[i * n + k] * a[j * n + k];
        a[i * n + j] = x / l;
      }
    }
  }
  return true;
}

// x <- A^-1 x from the factor.
template <typename T>
void SolveCholesky(const T* L, int n, T* x) {
  for (int i = 0; i < n; ++i) {
    T v = x[i];
    for (int k = 0; k < i; ++k) v -= L[i * n + k] * x[k];
    x[i] = v / L[i * n + i];
  }
  for (int i = n - 1; i >= 0; --i) {
    T v = x[i];
    for (int k = i + 1; k < n; ++k) v -= L[k * n + i] * x[k];
    x[i] = v / L[i * n + i];
  }
}

// RowOperation on R runs of V side by side from column c on, through every k.
template <bool Subtract, bool FromZero, bool Divide, int R, typename V, typename T>
[[gnu::always_inline]] inline void AccumulateRuns(T* __restrict__ to, const T* from,
                                                  const T& divisor, std::ptrdiff_t c, const T* l,
                                                  std::ptrdiff_t lStride, const T* rows,
                                                  std::ptrdiff_t rowStride, std::ptrdiff_t kBegin,
                                                  std::ptrdiff_t kEnd) {
  constexpr std::ptrdiff_t w = RunLength<V>::value;
  V sum[R];
  for (int r = 0; r < R; ++r) sum[r] = FromZero ? V{} : LoadRun<V>(from + c + r * w);
  std::ptrdiff_t k = kBegin;
  for (; k + 4 <= kEnd; k += 4) {
    const T l0 = l[k * lStride], l1 = l[(k + 1) * lStride], l2 = l[(k + 2) * lStride],
            l3 = l[(k + 3) * lStride];
    const T* r0 = rows + k * rowStride + c;
    for (int r = 0; r < R; ++r) {
      const T* at = r0 + r * w;
      const V four = (l0 * LoadRun<V>(at) + l1 * LoadRun<V>(at + rowStride)) +
                     (l2 * LoadRun<V>(at + 2 * rowStride) + l3 * LoadRun<V>(at + 3 * rowStride));
      sum[r] = Subtract ? sum[r] - four : sum[r] + four;
    }
  }
  for (; k < kEnd; ++k) {
    const T lk = l[k * lStride];
    const T* r0 = rows + k * rowStride + c;
    for (int r = 0; r < R; ++r) {
      const V one = lk * LoadRun<V>(r0 + r * w);
      sum[r] = Subtract ? sum[r] - one : sum[r] + one;
    }
  }
  if constexpr (Divide) {
    for (int r = 0; r < R; ++r) sum[r] = sum[r] / divisor;
  }
  for (int r = 0; r < R; ++r) StoreRun(to + c + r * w, sum[r]);
}

// to[c] = (from[c] -/+ the sum over k in [kBegin, kEnd) of l[k·lStride]·rows[k·rowStride + c])
// / divisor, for c in [begin, end): zeros for from with FromZero, no division without Divide
// (`from`, which may then be null, and `divisor` unread; `from` is not `to`); the sum four rows at
// a time, from[c] - ((l0 r0 + l1 r1) + (l2 r2 + l3 r3)) - ..., then one at a time. For doubles a
// run of columns stays in registers from `from` to the division; a pack of states takes the rows
// in the outer loop, so that each l is loaded once. `to` is none of the rows read.
template <bool Subtract, bool FromZero, bool Divide, typename T>
inline void RowOperation(T* __restrict__ to, const T* from, const T& divisor, int begin, int end,
                         const T* l, std::ptrdiff_t lStride, const T* rows,
                         std::ptrdiff_t rowStride, int kBegin, int kEnd) {
  if constexpr (std::is_same_v<T, double>) {
    using V = LanePack<RegisterLanes>;
    constexpr std::ptrdiff_t w = RegisterLanes;
    std::ptrdiff_t c = begin;
    for (; c + 3 * w <= end; c += 3 * w) {
      AccumulateRuns<Subtract, FromZero, Divide, 3, V>(to, from, divisor, c, l, lStride, rows,
                                                       rowStride, kBegin, kEnd);
    }
    if (c + 2 * w <= end) {
      AccumulateRuns<Subtract, FromZero, Divide, 2, V>(to, from, divisor, c, l, lStride, rows,
                                                       rowStride, kBegin, kEnd);
      c += 2 * w;
    }
    if (c + w <= end) {
      AccumulateRuns<Subtract, FromZero, Divide, 1, V>(to, from, divisor, c, l, lStride, rows,
                                                       rowStride, kBegin, kEnd);
      c += w;
    }
    if constexpr (w > 4) {
      if (c + 4 <= end) {
        AccumulateRuns<Subtract, FromZero, Divide, 1, LanePack<4>>(to, from, divisor, c, l, lStride,
                                                                   rows, rowStride, kBegin, kEnd);
        c += 4;
      }
    }
    if constexpr (w > 2) {
      if (c + 2 <= end) {
        AccumulateRuns<Subtract, FromZero, Divide, 1, LanePack<2>>(to, from, divisor, c, l, lStride,
                                                                   rows, rowStride, kBegin, kEnd);
        c += 2;
      }
    }
    if (c < end)
      AccumulateRuns<Subtract, FromZero, Divide, 1, T>(to, from, divisor, c, l, lStride, rows,
                                                       rowStride, kBegin, kEnd);
  } else {
    for (int c = begin; c < end; ++c) to[c] = FromZero ? T{} : from[c];
    std::ptrdiff_t k = kBegin;
    for (; k + 4 <= kEnd; k += 4) {
      const T l0 = l[k * lStride], l1 = l[(k + 1) * lStride], l2 = l[(k + 2) * lStride],
              l3 = l[(k + 3) * lStride];
      const T* r0 = rows + k * rowStride;
      const T* r1 = r0 + rowStride;
      const T* r2 = r1 + rowStride;
      const T* r3 = r2 + rowStride;
      for (int c = begin; c < end; ++c) {
        const T sum = (l0 * r0[c] + l1 * r1[c]) + (l2 * r2[c] + l3 * r3[c]);
        to[c] = Subtract ? to[c] - sum : to[c] + sum;
      }
    }
    for (; k < kEnd; ++k) {
      const T lk = l[k * lStride];
      const T* r = rows + k * rowStride;
      for (int c = begin; c < end; ++c) to[c] = Subtract ? to[c] - lk * r[c] : to[c] + lk * r[c];
    }
    if constexpr (Divide) {
      for (int c = begin; c < end; ++c) to[c] = to[c] / divisor;
    }
  }
}

// A^-1 = Vᵀ V with V = L^-1 (lower triangular, zeros above its diagonal), symmetric by
// construction. `work` has n·n.
template <typename T>
void InvertFromFactor(const T* L, int n, T* work, T* inverse) {
  for (int i = 0; i < n; ++i) {
    T* Vi = work + i * n;
    for (int c = i + 1; c < n; ++c) Vi[c] = T{};
    RowOperation<true, true, true>(Vi, static_cast<const T*>(nullptr), L[i * n + i], 0, i,
                                   L + i * n, 1, work, n, 0, i);
    Vi[i] = LaneSplat<T>(1.0) / L[i * n + i];
  }
  // Row i of A^-1 from column i on: the sum over k >= i of V[k][i]·(row k of V).
  for (int i = 0; i < n; ++i) {
    RowOperation<false, true, false>(inverse + i * n, static_cast<const T*>(nullptr), T{}, i, n,
                                     work + i, n, work, n, i, n);
  }
  for (int i = 0; i < n; ++i) {
    for (int c = 0; c < i; ++c) inverse[i * n + c] = inverse[c * n + i];
  }
}

}  // namespace jacobian
}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
