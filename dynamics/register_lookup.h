// The sines and cosines of one AVX-512 register of angles, eight lanes read in one gather each,
// lane by lane what SineFromTable and CosineFromTable give.
#pragma once

#include "dynamics/code_target.h"
#include "dynamics/lanes.h"
#include "dynamics/sine_table.h"

#if defined(__AVX512F__)
namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace detail {

// Every lane of a register: the masked forms of the conversions with this mask are the plain
// instructions, and leave nothing undefined to the compiler.
constexpr __mmask8 AllEight = 0xFF;

// The lookup rule's reduction of eight angles: r = x - (2·j)·π with j = trunc(x/(2π)), the
// index |trunc(r / SineStep)|, and the lanes whose index lies in the table.
struct RegisterPlaces {
  __m512d r;
  __m256i index;
  __mmask8 inTable;
};

// Written with the instructions themselves, whose conversions are defined for every input: a
// turn count or quotient out of the 32-bit range, or NaN, converts to 0x80000000. An angle of
// 2^30 turns or more (which the rule rejects) then either doubles that count out of range, so
// that r is over 2^31·π and its index far past the table, or, for j = -2^30 alone, doubles it to
// exactly 0x80000000: these two tests catch every angle the rule rejects, and no other.
inline RegisterPlaces RegisterPlacesOf(const SineTable& table, __m512d angles) {
  const __m256i j =
      _mm512_maskz_cvttpd_epi32(AllEight, _mm512_mul_pd(angles, _mm512_set1_pd(InverseTwoPi)));
  const __m256i evenTurns = _mm256_add_epi32(j, j);
  const __m512d evenTurnsAsDouble = _mm512_maskz_cvtepi32_pd(AllEight, evenTurns);
  const __m512d r = _mm512_sub_pd(angles, _mm512_mul_pd(evenTurnsAsDouble, _mm512_set1_pd(Pi)));
  // |r / SineStep| = |r| / SineStep, so the index is the absolute value of the quotient's.
  const __m512d quotient = _mm512_div_pd(r, _mm512_set1_pd(table.step));
  const __m256i index = _mm256_abs_epi32(_mm512_maskz_cvttpd_epi32(AllEight, quotient));
  const double size = table.size;
  __mmask8 inTable = _mm512_cmp_pd_mask(quotient, _mm512_set1_pd(size), _CMP_LT_OQ);
  inTable = _mm512_mask_cmp_pd_mask(inTable, quotient, _mm512_set1_pd(-size), _CMP_GT_OQ);
  inTable = _mm512_mask_cmp_pd_mask(inTable, evenTurnsAsDouble, _mm512_set1_pd(-2147483648.0),
                                    _CMP_NEQ_UQ);
  return RegisterPlaces{r, index, inTable};
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
