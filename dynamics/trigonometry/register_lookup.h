// The sines and cosines of one AVX-512 register of angles, eight lanes read in one gather each,
// lane by lane what SineFromTable and CosineFromTable give.
#pragma once

#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"
#include "dynamics/trigonometry/sine_table.h"

#if defined(__AVX512F__)
namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace detail {

// Every lane of a register: the masked forms of the conversions with this mask are the plain
// instructions, and leave nothing undefined to the compiler.
constexpr __mmask8 AllEight = 0xFF;

// The lookup rule's reduction of eight angles: r = x - (2·j)·π with j = trunc(x/(2π)), the
// index trunc(|r| / SineStep), and the lanes that the fast read serves, tested as
// SineTablePlacesOf tests them (which see), with the comparisons straight into a mask.
struct RegisterPlaces {
  __m512d r;
  __m256i index;
  __mmask8 inTable;
};

inline RegisterPlaces RegisterPlacesOf(const SineTable& table, __m512d angles) {
  const __m256i j =
      _mm512_maskz_cvttpd_epi32(AllEight, _mm512_mul_pd(angles, _mm512_set1_pd(InverseTwoPi)));
  const __m512d evenTurns = _mm512_maskz_cvtepi32_pd(AllEight, _mm256_add_epi32(j, j));
  const __m512d r = _mm512_sub_pd(angles, _mm512_mul_pd(evenTurns, _mm512_set1_pd(Pi)));
  const __m512d magnitude = _mm512_castsi512_pd(_mm512_and_si512(
      _mm512_castpd_si512(r), _mm512_set1_epi64(std::numeric_limits<std::int64_t>::max())));
  // The test reads |r|, not the quotient, so that the branch on it need not wait for the
  // division (see InTableBelow).
  __mmask8 inTable = _mm512_cmp_pd_mask(magnitude, _mm512_set1_pd(InTableBelow(table)), _CMP_LT_OQ);
  inTable = _mm512_mask_cmp_pd_mask(inTable, evenTurns, _mm512_set1_pd(-2147483648.0), _CMP_NEQ_UQ);
  const __m512d quotient = _mm512_div_pd(magnitude, _mm512_set1_pd(table.step));
  return RegisterPlaces{r, _mm512_maskz_cvttpd_epi32(AllEight, quotient), inTable};
}

// The entries at places whose every lane lies in the table, negated where r < 0 (not where r is
// -0, so the sign bit of r will not do).
inline __m512d RegisterSinesAt(const SineTable& table, const RegisterPlaces& places) {
  const __m512i entries = _mm512_castpd_si512(
      _mm512_mask_i32gather_pd(_mm512_setzero_pd(), AllEight, places.index, table.entries, 8));
  const __mmask8 negative = _mm512_cmp_pd_mask(places.r, _mm512_setzero_pd(), _CMP_LT_OQ);
  return _mm512_castsi512_pd(_mm512_mask_xor_epi64(
      entries, negative, entries, _mm512_set1_epi64(std::numeric_limits<std::int64_t>::min())));
}

}  // namespace detail

// sine = SineFromTable(angle) and cosine = CosineFromTable(angle), lane by lane. A register with
// a lane out of the lookup's range goes lane by lane through the single lookups.
inline void RegisterSinesAndCosines(const SineTable& table, const LanePack<8>& angle,
                                    LanePack<8>& sine, LanePack<8>& cosine) {
  const __m512d angles = BitsAs<__m512d>(angle);
  const detail::RegisterPlaces sinePlaces = detail::RegisterPlacesOf(table, angles);
  const detail::RegisterPlaces cosinePlaces =
      detail::RegisterPlacesOf(table, _mm512_sub_pd(_mm512_set1_pd(HalfPi), angles));
  if ((sinePlaces.inTable & cosinePlaces.inTable) == detail::AllEight) {
    sine = BitsAs<LanePack<8>>(detail::RegisterSinesAt(table, sinePlaces));
    cosine = BitsAs<LanePack<8>>(detail::RegisterSinesAt(table, cosinePlaces));
    return;
  }
  for (int lane = 0; lane < 8; ++lane) {
    sine[lane] = SineFromTable(table, angle[lane]);
    cosine[lane] = CosineFromTable(table, angle[lane]);
  }
}

// The same for each register of a pair of packs.
template <typename P>
inline void RegisterSinesAndCosines(const SineTable& table, const PackPair<P>& angle,
                                    PackPair<P>& sine, PackPair<P>& cosine) {
  RegisterSinesAndCosines(table, angle.low, sine.low, cosine.low);
  RegisterSinesAndCosines(table, angle.high, sine.high, cosine.high);
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
#endif
