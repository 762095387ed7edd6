// Compiled once per width with that width's target flags, code namespace and PENDULA_LANE_WIDTH;
// it includes nothing of the tests' framework or the standard library's containers, whose inline
// functions the linker could otherwise take from this unit for every caller.
#include "tests/dynamics/registers/register_lookup.h"

#include <cstring>

namespace pendula {
namespace testing {

template <>
bool HasRegisterLookup<PENDULA_LANE_WIDTH>() {
  return true;
}

template <>
void SinesAndCosinesOfARegister<PENDULA_LANE_WIDTH>(const SineTable& table,
                                                    const double (&angles)[PENDULA_LANE_WIDTH],
                                                    double (&sines)[PENDULA_LANE_WIDTH],
                                                    double (&cosines)[PENDULA_LANE_WIDTH]) {
  constexpr int W = PENDULA_LANE_WIDTH;
  static_assert(RegisterLanes == W, "compiled for the register of this width");
  LanePack<W> pack, sine, cosine;
  std::memcpy(&pack, angles, sizeof pack);
#if defined(__AVX512F__)
  RegisterSinesAndCosines(table, pack, sine, cosine);
#else
  sine = SinesAt(table, SineTablePlacesOf<W>(table, pack));
  cosine = SinesAt(table, SineTablePlacesOf<W>(table, HalfPi - pack));
#endif
  std::memcpy(sines, &sine, sizeof sines);
  std::memcpy(cosines, &cosine, sizeof cosines);
}

}  // namespace testing
}  // namespace pendula
