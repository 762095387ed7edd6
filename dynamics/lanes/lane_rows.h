// Chains in the lanes of packs and back: a batch keeps each chain's n values in a row of its own,
// and a pack holds one joint of W chains, so a pack's state is the transpose of W rows. With
// AVX-512F a register's 8 rows are moved 8 joints at a time, loaded whole and transposed in
// registers, not value by value.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <utility>

#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// Chain i's row of n values: the n values from rows + i·n.
template <typename X>
inline X* RowOf(X* rows, int chain, int n) {
  return rows + static_cast<std::ptrdiff_t>(chain) * n;
}

namespace detail {

#if defined(__AVX512F__)
// x[i][j] -> x[j][i], the 8 by 8 block of 8 registers, in three rounds of two-register shuffles.
inline void Transpose8(LanePack<8> (&x)[8]) {
  LanePack<8> t[8], u[8];
  for (int i = 0; i < 8; i += 2) {
    // rows i, i+1 at joints 0, 2, 4, 6, and at 1, 3, 5, 7
    t[i] = __builtin_shufflevector(x[i], x[i + 1], 0, 8, 2, 10, 4, 12, 6, 14);
    t[i + 1] = __builtin_shufflevector(x[i], x[i + 1], 1, 9, 3, 11, 5, 13, 7, 15);
  }
  for (int i = 0; i < 8; i += 4) {
    // rows i..i+3 at joints 0 and 4, 1 and 5, 2 and 6, 3 and 7
    u[i] = __builtin_shufflevector(t[i], t[i + 2], 0, 1, 8, 9, 4, 5, 12, 13);
    u[i + 1] = __builtin_shufflevector(t[i + 1], t[i + 3], 0, 1, 8, 9, 4, 5, 12, 13);
    u[i + 2] = __builtin_shufflevector(t[i], t[i + 2], 2, 3, 10, 11, 6, 7, 14, 15);
    u[i + 3] = __builtin_shufflevector(t[i + 1], t[i + 3], 2, 3, 10, 11, 6, 7, 14, 15);
  }
  for (int j = 0; j < 4; ++j) {
    x[j] = __builtin_shufflevector(u[j], u[j + 4], 0, 1, 2, 3, 8, 9, 10, 11);
    x[j + 4] = __builtin_shufflevector(u[j], u[j + 4], 4, 5, 6, 7, 12, 13, 14, 15);
  }
}

// The 8 lanes of a register's pack, or those of one half of a pair.
inline LanePack<8>& EightLanes(LanePack<8>& pack, int) {
  return pack;
}
inline const LanePack<8>& EightLanes(const LanePack<8>& pack, int) {
  return pack;
}
inline LanePack<8>& EightLanes(PackPair<LanePack<8>>& pack, int half) {
  return half == 0 ? pack.low : pack.high;
}
inline const LanePack<8>& EightLanes(const PackPair<LanePack<8>>& pack, int half) {
  return half == 0 ? pack.low : pack.high;
}

// Joints j .. j + k - 1 (k <= 8) of 8 rows into the eight lanes `half` of packs j .. j + k - 1.
template <typename Pack>
inline void LoadBlock(Pack* out, const double* const* row, int half, int j, int k) {
  const __mmask8 joints = static_cast<__mmask8>((1u << k) - 1);
  LanePack<8> x[8];
  for (int i = 0; i < 8; ++i) x[i] = BitsAs<LanePack<8>>(_mm512_maskz_loadu_pd(joints, row[i] + j));
  Transpose8(x);
  for (int i = 0; i < k; ++i) EightLanes(out[j + i], half) = x[i];
}

// The same back: lanes 0 .. rows - 1 of those packs into joints j .. j + k - 1 of their rows.
template <typename Pack>
inline void StoreBlock(const Pack* in, double* const* row, int rows, int half, int j, int k) {
  const __mmask8 joints = static_cast<__mmask8>((1u << k) - 1);
  LanePack<8> x[8];
  for (int i = 0; i < 8; ++i) x[i] = i < k ? EightLanes(in[j + i], half) : LanePack<8>{};
  Transpose8(x);
  for (int i = 0; i < rows; ++i) _mm512_mask_storeu_pd(row[i] + j, joints, BitsAs<__m512d>(x[i]));
}

// Whether packs of W lanes go by 8 by 8 blocks.
template <int W>
constexpr bool RowsInBlocks = RegisterLanes == 8 && W % 8 == 0;
#else
template <int W>
constexpr bool RowsInBlocks = false;
#endif

// Element `joint` of each of the W rows, as one register's pack, assembled in registers.
template <int W, int... Lane>
inline LanePack<W> JointOfRows(const double* const* rows, int joint,
                               std::integer_sequence<int, Lane...>) {
  return LanePack<W>{rows[Lane][joint]...};
}

// The same as a Pack of any width: a pair takes the first half of the rows in its low pack.
template <typename Pack>
inline Pack JointOfRows(const double* const* rows, int joint) {
  if constexpr (IsPackPair<Pack>::value) {
    using Half = decltype(Pack::low);
    return Pack{JointOfRows<Half>(rows, joint), JointOfRows<Half>(rows + LaneCount<Half>, joint)};
  } else {
    constexpr int W = LaneCount<Pack>;
    return JointOfRows<W>(rows, joint, std::make_integer_sequence<int, W>{});
  }
}

}  // namespace detail

// Chains first .. first + W - 1 of `rows` (n values each) in the lanes of out, W the lanes of a
// Pack; the lanes of chains at or beyond `count` carry a copy of chain `first`.
template <typename Pack, typename Rows>
inline void LoadLanes(Pack* out, Rows rows, int first, int count, int n) {
  constexpr int W = LaneCount<Pack>;
  const double* row[W];
  for (int lane = 0; lane < W; ++lane) {
    row[lane] = RowOf(rows, first + lane < count ? first + lane : first, n);
  }
#if defined(__AVX512F__)
  if constexpr (detail::RowsInBlocks<W>) {
    for (int half = 0; half < W / 8; ++half) {
      for (int j = 0; j < n; j += 8)
        detail::LoadBlock(out, row + 8 * half, half, j, n - j < 8 ? n - j : 8);
    }
    return;
  }
#endif
  for (int joint = 0; joint < n; ++joint) {
    out[joint] = detail::JointOfRows<Pack>(row, joint);
  }
}

// The lanes of chains first .. count - 1 of the packs `in` back into their rows of n values;
// lanes beyond count are not written.
template <typename Pack, typename Rows>
inline void StoreLanes(const Pack* in, Rows rows, int first, int count, int n) {
  constexpr int W = LaneCount<Pack>;
  const int lanes = count - first < W ? count - first : W;
  double* row[W] = {};
  for (int lane = 0; lane < lanes; ++lane) row[lane] = RowOf(rows, first + lane, n);
#if defined(__AVX512F__)
  if constexpr (detail::RowsInBlocks<W>) {
    for (int half = 0; half * 8 < lanes; ++half) {
      const int rowsOfHalf = lanes - 8 * half < 8 ? lanes - 8 * half : 8;
      for (int j = 0; j < n; j += 8) {
        detail::StoreBlock(in, row + 8 * half, rowsOfHalf, half, j, n - j < 8 ? n - j : 8);
      }
    }
    return;
  }
#endif
  for (int lane = 0; lane < lanes; ++lane) {
    for (int joint = 0; joint < n; ++joint) row[lane][joint] = in[joint][lane];
  }
}

// The one lane driver: steps states 0 .. count - 1 of n joints (momenta and positions row by
// row, state i's n values in row i) a pack at a time, each pack by step(p, q) on its state in
// the pack arrays p and q, so that each state gets the bits its own step gives it. With
// `torqueRows` (row i state i's joint torques) each pack's torques are loaded into `torques`
// beside its state. The empty lanes of a last pack that is not full carry copies of its first
// state, whose results are dropped.
template <typename Pack, typename StepPack>
inline void ForEachPack(int n, Pack* p, Pack* q, Pack* torques, double* momenta, double* positions,
                        int count, const double* torqueRows, StepPack&& step) {
  constexpr int W = LaneCount<Pack>;
  for (int first = 0; first < count; first += W) {
    LoadLanes(p, momenta, first, count, n);
    LoadLanes(q, positions, first, count, n);
    if (torqueRows != nullptr) LoadLanes(torques, torqueRows, first, count, n);
    step(p, q);
    StoreLanes(p, momenta, first, count, n);
    StoreLanes(q, positions, first, count, n);
  }
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
