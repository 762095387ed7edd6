// A build whose compiler lacks -mavx512f has no AVX-512 lookup to test.
#include "tests/dynamics/avx512/register_lookup.h"

namespace pendula {
namespace testing {

bool HasAvx512RegisterLookup() {
  return false;
}

void SinesOfAnAvx512Register(const SineTable&, const double (&)[8], double (&)[8]) {}

}  // namespace testing
}  // namespace pendula
