// Compiled with -mavx512f and its own code namespace; it includes nothing of the tests' framework
// or the standard library's containers, whose inline functions the linker could otherwise take
// from this unit for every caller.
#include "tests/dynamics/avx512/register_lookup.h"

#include <cstring>

namespace pendula {
namespace testing {

bool HasAvx512RegisterLookup() {
  return true;
}

void SinesOfAnAvx512Register(const SineTable& table, const double (&angles)[8],
                             double (&sines)[8]) {
  static_assert(RegisterLanes == 8, "compiled for AVX-512F");
  LanePack<8> pack;
  std::memcpy(&pack, angles, sizeof pack);
  const LanePack<8> out = SinesAt(table, SineTablePlacesOf<8>(table, pack));
  std::memcpy(sines, &out, sizeof sines);
}

}  // namespace testing
}  // namespace pendula
