// The lane arithmetic of StepChains for one width, PENDULA_LANE_WIDTH: this file is compiled
// once per width, with that width's target flags and code namespace.
#include "dynamics/heun_step.h"
#include "dynamics/step_chains.h"

#ifndef PENDULA_LANE_WIDTH
#error "compile with PENDULA_LANE_WIDTH set to 2, 4 or 8"
#endif

namespace pendula {

// The chains of one pack. With AVX-512F's 32 registers a pair of them (16 chains) fits, so two
// packs are in flight through every stage; with AVX2's 16 registers, and SSE2's, a pair spills
// and is slower than one register's pack (docs/performance.md). A batch whose last pair would be
// half empty or less ends in one register's pack instead (the program's 100 chains: 6 pairs and
// a pack of 8, 104 lanes stepped rather than 112). The pair's step is flattened: the compiler's
// inlining limits, reached sooner by the doubled kernels, must not leave a kernel as a call that
// passes its packs through memory.
namespace {

template <int N>
void StepInPacks(const ChainModel<N>& model, const JointTorqueSettings& settings,
                 double (*momenta)[N], double (*angles)[N], int chainCount) {
  constexpr int W = PENDULA_LANE_WIDTH;
  if constexpr (W == 8) {
    const int inPairs = ChainsInPairs(chainCount, W);
    StepChainsInLanes<PlaneAlgebra, 2 * W>(model, settings, momenta, angles, inPairs);
    StepChainsInLanes<PlaneAlgebra, W>(model, settings, momenta + inPairs, angles + inPairs,
                                       chainCount - inPairs);
  } else {
    StepChainsInLanes<PlaneAlgebra, W>(model, settings, momenta, angles, chainCount);
  }
}

}  // namespace

#if PENDULA_LANE_WIDTH == 8
#define PENDULA_STEP_ATTRIBUTES __attribute__((flatten))
#else
#define PENDULA_STEP_ATTRIBUTES
#endif

#define PENDULA_STEP_CHAINS_AT_WIDTH(count)                                  \
  template <>                                                                \
  PENDULA_STEP_ATTRIBUTES void StepChainsAtWidth<PENDULA_LANE_WIDTH, count>( \
      const ChainModel<count>& model, const JointTorqueSettings& settings,   \
      double(*momenta)[count], double(*angles)[count], int chainCount) {     \
    StepInPacks(model, settings, momenta, angles, chainCount);               \
  }
PENDULA_BUILT_LINK_COUNTS(PENDULA_STEP_CHAINS_AT_WIDTH)

}  // namespace pendula
