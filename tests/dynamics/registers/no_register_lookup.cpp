// A build whose compiler lacks the flags of PENDULA_LANE_WIDTH's register has no lookup of it to
// test.
#include "tests/dynamics/registers/register_lookup.h"

namespace pendula {
namespace testing {

template <>
bool HasRegisterLookup<PENDULA_LANE_WIDTH>() {
  return false;
}

template <>
void SinesAndCosinesOfARegister<PENDULA_LANE_WIDTH>(const SineTable&,
                                                    const double (&)[PENDULA_LANE_WIDTH],
                                                    double (&)[PENDULA_LANE_WIDTH],
                                                    double (&)[PENDULA_LANE_WIDTH]) {}

}  // namespace testing
}  // namespace pendula
