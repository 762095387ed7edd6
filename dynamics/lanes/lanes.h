// Lane packs: W doubles that the evaluation carries through the same arithmetic as one double,
// one chain in each lane, so that one instruction advances W chains. The packed operations round
// each lane exactly as the scalar ones do and nothing is fused into a multiply-add
// (-ffp-contract=off), so a chain's results do not depend on how many chains ride beside it.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <cstring>
#include <type_traits>
#include <utility>

#include "dynamics/lanes/code_target.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// W doubles side by side; +, -, *, / and unary - act lane by lane, and a double operand is taken
// in every lane. Comparisons give Int64Lanes masks (all ones where true).
template <int W>
struct LaneTypes {
  typedef double Pack __attribute__((vector_size(W * sizeof(double))));
  typedef std::int64_t Int64Lanes __attribute__((vector_size(W * sizeof(std::int64_t))));
  typedef std::int32_t Int32Lanes __attribute__((vector_size(W * sizeof(std::int32_t))));
};
template <int W>
using LanePack = typename LaneTypes<W>::Pack;

// The doubles in one register of the instruction set that this unit is compiled for. A pack
// wider than that is split by the compiler into that many registers' worth of instructions,
// which are independent of one another and so overlap in the processor.
#if defined(__AVX512F__)
constexpr int RegisterLanes = 8;
#elif defined(__AVX__)
constexpr int RegisterLanes = 4;
#else
constexpr int RegisterLanes = 2;
#endif

// Two packs carried through the same arithmetic side by side, lanes 0 .. W-1 in `low` and
// W .. 2W-1 in `high`: each operation is two instructions that do not wait for each other, so
// while a recursion of one pack waits on a result, the other's can go ahead. (A vector type of
// two registers' width would do the same on paper, but the compiler keeps such values in memory.)
template <typename P>
struct PackPair {
  P low, high;
  double operator[](int lane) const {
    constexpr int half = sizeof(P) / sizeof(double);
    return lane < half ? low[lane] : high[lane - half];
  }
};
template <typename P>
inline PackPair<P> operator+(const PackPair<P>& x, const PackPair<P>& y) {
  return {x.low + y.low, x.high + y.high};
}
template <typename P>
inline PackPair<P> operator-(const PackPair<P>& x, const PackPair<P>& y) {
  return {x.low - y.low, x.high - y.high};
}
template <typename P>
inline PackPair<P> operator*(const PackPair<P>& x, const PackPair<P>& y) {
  return {x.low * y.low, x.high * y.high};
}
template <typename P>
inline PackPair<P> operator/(const PackPair<P>& x, const PackPair<P>& y) {
  return {x.low / y.low, x.high / y.high};
}
template <typename P>
inline PackPair<P> operator-(const PackPair<P>& x) {
  return {-x.low, -x.high};
}
// A double operand in every lane.
template <typename P>
inline PackPair<P> operator+(const PackPair<P>& x, double y) {
  return {x.low + y, x.high + y};
}
template <typename P>
inline PackPair<P> operator+(double x, const PackPair<P>& y) {
  return {x + y.low, x + y.high};
}
template <typename P>
inline PackPair<P> operator-(const PackPair<P>& x, double y) {
  return {x.low - y, x.high - y};
}
template <typename P>
inline PackPair<P> operator-(double x, const PackPair<P>& y) {
  return {x - y.low, x - y.high};
}
template <typename P>
inline PackPair<P> operator*(const PackPair<P>& x, double y) {
  return {x.low * y, x.high * y};
}
template <typename P>
inline PackPair<P> operator*(double x, const PackPair<P>& y) {
  return {x * y.low, x * y.high};
}
template <typename P>
inline PackPair<P> operator/(const PackPair<P>& x, double y) {
  return {x.low / y, x.high / y};
}
template <typename P>
inline PackPair<P> operator/(double x, const PackPair<P>& y) {
  return {x / y.low, x / y.high};
}

template <typename T>
struct IsPackPair : std::false_type {};
template <typename P>
struct IsPackPair<PackPair<P>> : std::true_type {};

// The number of chains that one value of T carries: 1 for double.
template <typename T>
constexpr int LaneCount = sizeof(T) / sizeof(double);

// W lanes in the widest registers there are: one register's pack, or a pair of narrower ones.
template <int W, bool TwoRegisters = (W > RegisterLanes)>
struct WidePackOf {
  using Type = LanePack<W>;
};
template <int W>
struct WidePackOf<W, true> {
  using Type = PackPair<typename WidePackOf<W / 2>::Type>;
};
template <int W>
using WidePack = typename WidePackOf<W>::Type;

namespace detail {

template <typename T, int... Lane>
inline T Splat(double x, std::integer_sequence<int, Lane...>) {
  return T{(static_cast<void>(Lane), x)...};
}

}  // namespace detail

// x in every lane of T (one broadcast).
template <typename T>
inline T LaneSplat(double x) {
  if constexpr (std::is_same_v<T, double>) {
    return x;
  } else if constexpr (IsPackPair<T>::value) {
    const auto half = LaneSplat<decltype(T::low)>(x);
    return T{half, half};
  } else {
    return detail::Splat<T>(x, std::make_integer_sequence<int, LaneCount<T>>{});
  }
}

// The bits of x read as a To of the same size.
template <typename To, typename From>
inline To BitsAs(const From& x) {
  static_assert(sizeof(To) == sizeof(From), "a reinterpretation keeps the size");
  To y;
  std::memcpy(&y, &x, sizeof y);
  return y;
}

// Whether every lane of a comparison's mask is true: one sign-bit gather per register where the
// instruction set has it (SSE2, AVX, AVX-512F), lane by lane elsewhere.
template <typename Mask>
inline bool AllLanes(const Mask& mask) {
  constexpr int lanes = sizeof(Mask) / sizeof(std::int64_t);
  if constexpr (lanes > RegisterLanes && lanes % 2 == 0) {
    typename LaneTypes<lanes / 2>::Int64Lanes low, high;
    std::memcpy(&low, &mask, sizeof low);
    std::memcpy(&high, reinterpret_cast<const char*>(&mask) + sizeof low, sizeof high);
    return AllLanes(low) & AllLanes(high);
  }
#if defined(__AVX512F__)
  else if constexpr (lanes == 8) {
    const __m512i bits = BitsAs<__m512i>(mask);
    return _mm512_test_epi64_mask(bits, bits) == 0xFF;
  }
#endif
#if defined(__AVX__)
  else if constexpr (lanes == 4) {
    return _mm256_movemask_pd(BitsAs<__m256d>(mask)) == 0xF;
  }
#endif
  else if constexpr (lanes == 2) {
    return _mm_movemask_pd(BitsAs<__m128d>(mask)) == 0x3;
  } else {
    bool all = true;
    for (int lane = 0; lane < lanes; ++lane) all &= mask[lane] != 0;
    return all;
  }
}

// Each lane of x truncated toward zero to a 32-bit integer by the conversion instruction, which
// gives 0x80000000 for a lane out of the 32-bit range or NaN (where a C++ conversion would be
// undefined). One register's lanes at most.
template <int W>
inline typename LaneTypes<W>::Int32Lanes TruncatedToInt32(const LanePack<W>& x) {
  static_assert(W <= RegisterLanes && W >= 2, "one register's lanes");
  using Int32Lanes = typename LaneTypes<W>::Int32Lanes;
#if defined(__AVX512F__)
  if constexpr (W == 8) {
    return BitsAs<Int32Lanes>(_mm512_maskz_cvttpd_epi32(0xFF, BitsAs<__m512d>(x)));
  } else
#endif
#if defined(__AVX__)
      if constexpr (W == 4) {
    return BitsAs<Int32Lanes>(_mm256_cvttpd_epi32(BitsAs<__m256d>(x)));
  } else
#endif
  {
    Int32Lanes low;
    const __m128i both = _mm_cvttpd_epi32(BitsAs<__m128d>(x));
    std::memcpy(&low, &both, sizeof low);
    return low;
  }
}

// Each lane of n as a double (exact), in one instruction. One register's lanes at most.
template <int W>
inline LanePack<W> Int32AsDouble(const typename LaneTypes<W>::Int32Lanes& n) {
  static_assert(W <= RegisterLanes && W >= 2, "one register's lanes");
#if defined(__AVX512F__)
  if constexpr (W == 8) {
    return BitsAs<LanePack<W>>(_mm512_maskz_cvtepi32_pd(0xFF, BitsAs<__m256i>(n)));
  } else
#endif
#if defined(__AVX__)
      if constexpr (W == 4) {
    return BitsAs<LanePack<W>>(_mm256_cvtepi32_pd(BitsAs<__m128i>(n)));
  } else
#endif
  {
    __m128i both = _mm_setzero_si128();
    std::memcpy(&both, &n, sizeof n);
    return BitsAs<LanePack<W>>(_mm_cvtepi32_pd(both));
  }
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
