// The packed table lookup of one AVX2 or AVX-512 register, compiled for that instruction set in a
// unit of its own (as the 4- and 8-lane steps are), so that the lookup tests can hold it to the
// single lookup on a CPU that has the instructions.
#pragma once

#include "dynamics/trigonometry/register_lookup.h"
#include "dynamics/trigonometry/sine_table.h"

namespace pendula {
namespace testing {

// Whether this build has the unit of a register of W lanes (4: AVX2, 8: AVX-512F).
template <int W>
bool HasRegisterLookup();

// sines[lane] and cosines[lane] = the packed lookups of angles[lane], the W lanes in one
// register, as the evaluations of that width take them. Only on a CPU with that register's
// instructions.
template <int W>
void SinesAndCosinesOfARegister(const SineTable& table, const double (&angles)[W],
                                double (&sines)[W], double (&cosines)[W]);

}  // namespace testing
}  // namespace pendula
