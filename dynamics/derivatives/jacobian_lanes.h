// The Jacobian of a batch of states in lanes: W states side by side in the lanes of a pack
// through the one arithmetic (jacobian_arithmetic.h), compiled once per lane width
// (jacobian_in_lanes.cpp, with that width's target flags). Each state's blocks are bit for bit
// those of JacobianOfDynamics at that state alone.
#pragma once

#include <cstddef>

#include "dynamics/derivatives/jacobian_storage.h"

namespace pendula {

// The joint counts the lanes take; beyond them a state's own row operations are long enough to
// fill the registers, and the lanes' n by n packs would outgrow the caches.
constexpr int MostJacobianLaneJoints = 64;

// Bytes of storage, aligned to 64, that the lanes of `width` (2, 4 or 8) need for n joints.
std::size_t JacobianLaneBytes(int width, int n);
template <int W>
std::size_t JacobianLaneBytesAt(int n);

// The four blocks at states 0 .. count - 1 (rows of n values of p and q; state i's blocks at
// out + i·n·n, each n by n row by row), W at a time in `lanes`, with the joints, gravity, sines
// and friction of JacobianOfDynamics. A pack in which some state's A is not positive definite
// is done state by state in `scalar`, which holds the joints. The width must be one this build
// and this CPU have.
void JacobianOfStatesInLanes(int width, JacobianStorage& scalar, unsigned char* lanes,
                             const double (&gravity)[3], const SineTable* table, double friction,
                             const double* p, const double* q, int count,
                             const JacobianBlocks& out);
template <int W>
void JacobianOfStatesInLanesAt(JacobianStorage& scalar, unsigned char* lanes,
                               const double (&gravity)[3], const SineTable* table, double friction,
                               const double* p, const double* q, int count,
                               const JacobianBlocks& out);

// The four blocks at one state, as JacobianOfDynamics, by the arithmetic on doubles compiled for
// the width's target: its row operations run over the columns in that target's registers, each
// value by the same operations in the same order as on every other target. false, the blocks
// unwritten, where A is not positive definite.
bool JacobianOfStateFor(int width, JacobianStorage& storage, const double (&gravity)[3],
                        const SineTable* table, double friction, const double* p, const double* q,
                        const JacobianBlocks& out);
template <int W>
bool JacobianOfStateForAt(JacobianStorage& storage, const double (&gravity)[3],
                          const SineTable* table, double friction, const double* p, const double* q,
                          const JacobianBlocks& out);

}  // namespace pendula
