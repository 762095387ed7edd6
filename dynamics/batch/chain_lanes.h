// The batch step of a chain built at run time in lanes: the working storage it needs, and the
// step itself, compiled once per lane width (chain_in_lanes.cpp, with that width's target flags)
// for in-plane chains.
#pragma once

#include <cstddef>

#include "dynamics/chain/chain_model.h"

namespace pendula {

// The joint torques of a batch: none (both null), one value per joint for every chain
// (`shared`), or one row of values per chain (`rows`, chain i's at rows + i·N).
struct BatchTorques {
  const double* shared;
  const double* rows;
};

// Bytes of zeroed storage, aligned to LinkArena::Alignment, that StepChainsInLanesAtWidth<W>
// needs for chains of `links` links.
template <int W>
std::size_t LaneBatchBytes(int links);

// The bytes of the lane storage of chains of `links` links at `width` (2, 4 or 8, one this build
// has): LaneBatchBytes of that width.
std::size_t LaneBytes(int width, int links);

// One Heun step of size h of each of the in-plane chains 0 .. chainCount - 1 (rows of N values),
// W at a time, with friction b and the torques given, in the storage given. Defined for
// W = 2, 4 and 8 where this build has them; the caller makes sure the CPU can run the width.
template <int W>
void StepChainsInLanesAtWidth(const ChainModel& model, unsigned char* storage, double h,
                              double friction, BatchTorques torques, double* momenta,
                              double* angles, int chainCount);

// The same by the classical fourth-order Runge–Kutta step, in the same storage.
template <int W>
void Rk4ChainsInLanesAtWidth(const ChainModel& model, unsigned char* storage, double h,
                             double friction, BatchTorques torques, double* momenta, double* angles,
                             int chainCount);

}  // namespace pendula
