// StepChains: one Heun step of every chain of a batch, each chain bit for bit where HeunStep
// takes it alone, with the chains side by side in the lanes of the widest packs the CPU has.
//
// The lane arithmetic is compiled once per width, each in a translation unit of its own with its
// own target flags (SSE2 for 2 lanes, AVX2 for 4, AVX-512F for 8), for the link counts listed
// here; StepChains for any other count does not compile.
#pragma once

#include "dynamics/chain_model.h"

// The link counts that the lane arithmetic is built for.
#define PENDULA_BUILT_LINK_COUNTS(X) X(1) X(2) X(5) X(10) X(20) X(40) X(80) X(160) X(256)

namespace pendula {

constexpr bool IsBuiltLinkCount(int n) {
#define PENDULA_IS_COUNT(count) n == (count) ||
  return PENDULA_BUILT_LINK_COUNTS(PENDULA_IS_COUNT) false;
#undef PENDULA_IS_COUNT
}

// Whether this build has the lanes of `width` (2, 4 or 8) and this CPU can run them.
bool LaneWidthAvailable(int width);

// One Heun step of the in-plane chains 0 .. chainCount - 1 in packs of W lanes; defined for
// W = 2, 4 and 8 by one translation unit each, for the built link counts. The caller makes sure
// the width is available and the model's shape is InPlane.
template <int W, int N>
void StepChainsAtWidth(const ChainModel<N>& model, const JointTorqueSettings& settings,
                       double (*momenta)[N], double (*angles)[N], int chainCount);

// StepChains of a built link count, declared so; StepChains below is the call to make.
template <int N>
void StepBuiltChains(const ChainModel<N>& model, const JointTorqueSettings& settings,
                     double (*momenta)[N], double (*angles)[N], int chainCount);

// One Heun step of each of chains 0 .. chainCount - 1 (momenta[i] and angles[i] are chain i's),
// all with the same settings, each bit for bit where HeunStep takes it (a NaN's sign and payload
// aside). In-plane chains go model.laneWidth at a time; other shapes one by one. A count of zero
// or less steps nothing. Allocates nothing.
template <int N>
void StepChains(const ChainModel<N>& model, const JointTorqueSettings& settings,
                double (*momenta)[N], double (*angles)[N], int chainCount) {
  static_assert(IsBuiltLinkCount(N),
                "StepChains is built for the link counts of PENDULA_BUILT_LINK_COUNTS");
  StepBuiltChains(model, settings, momenta, angles, chainCount);
}

}  // namespace pendula
