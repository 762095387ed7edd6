// The packed table lookup of one AVX-512 register, compiled for AVX-512F in a unit of its own, so
// that the lookup tests can hold it to the single lookup on a CPU that has the instructions.
#pragma once

#include "dynamics/sine_table.h"

namespace pendula {
namespace testing {

// Whether this build has the AVX-512 unit below.
bool HasAvx512RegisterLookup();

// sines[lane] = the packed lookup of angles[lane], the 8 lanes in one register's places. Only on
// a CPU with AVX-512F.
void SinesOfAnAvx512Register(const SineTable& table, const double (&angles)[8], double (&sines)[8]);

}  // namespace testing
}  // namespace pendula
