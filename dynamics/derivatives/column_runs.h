// Runs of consecutive values of a row, for T = double taken as packs of 8, 4 or 2 doubles as wide
// as the target's registers hold: each column keeps its own operations in their order, so a
// value's bits do not depend on the run it falls in.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace jacobian {

// The values in a run of V: 1 for a double, the lanes of a pack.
template <typename V>
struct RunLength {
  static constexpr int value = sizeof(V) / sizeof(double);
};
template <>
struct RunLength<double> {
  static constexpr int value = 1;
};

// A run of consecutive values as V (a double, or a pack of them) and back.
template <typename V, typename T>
inline V LoadRun(const T* at) {
  if constexpr (std::is_same_v<V, T>) {
    return *at;
  } else {
    V v;
    std::memcpy(&v, at, sizeof v);
    return v;
  }
}
template <typename V, typename T>
inline void StoreRun(T* at, const V& v) {
  if constexpr (std::is_same_v<V, T>) {
    *at = v;
  } else {
    std::memcpy(at, &v, sizeof v);
  }
}

// values[k] for k < count as V, lane i from the record i·stride further on (records of `stride`
// values side by side, one per lane), and back.
template <typename V, typename T>
inline void GatherRuns(const T* at, std::ptrdiff_t stride, int count, V* values) {
  if constexpr (std::is_same_v<V, T>) {
    for (int k = 0; k < count; ++k) values[k] = at[k];
  } else {
    for (int k = 0; k < count; ++k) {
      for (int lane = 0; lane < RunLength<V>::value; ++lane) {
        values[k][lane] = at[lane * stride + k];
      }
    }
  }
}
template <typename V, typename T>
inline void ScatterRuns(const V* values, std::ptrdiff_t stride, int count, T* at) {
  if constexpr (std::is_same_v<V, T>) {
    for (int k = 0; k < count; ++k) at[k] = values[k];
  } else {
    for (int k = 0; k < count; ++k) {
      for (int lane = 0; lane < RunLength<V>::value; ++lane) {
        at[lane * stride + k] = values[k][lane];
      }
    }
  }
}

// f(V{}, c) for the columns c of [begin, end) in runs: for T = double, packs of 8, 4 and 2 as
// wide as this target's registers take, then single ones; else each column as a T.
template <typename T, typename F>
[[gnu::always_inline]] inline void ForColumnRuns(std::ptrdiff_t begin, std::ptrdiff_t end, F&& f) {
  std::ptrdiff_t c = begin;
  if constexpr (std::is_same_v<T, double>) {
    if constexpr (RegisterLanes >= 8) {
      for (; c + 8 <= end; c += 8) f(LanePack<8>{}, c);
    }
    if constexpr (RegisterLanes >= 4) {
      for (; c + 4 <= end; c += 4) f(LanePack<4>{}, c);
    }
    for (; c + 2 <= end; c += 2) f(LanePack<2>{}, c);
  }
  for (; c < end; ++c) f(T{}, c);
}

}  // namespace jacobian
}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
