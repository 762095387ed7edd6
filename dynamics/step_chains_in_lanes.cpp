// The lane arithmetic of StepChains for one width, PENDULA_LANE_WIDTH: this file is compiled
// once per width, with that width's target flags and code namespace.
#include "dynamics/heun_step.h"
#include "dynamics/step_chains.h"

#ifndef PENDULA_LANE_WIDTH
#error "compile with PENDULA_LANE_WIDTH set to 2, 4 or 8"
#endif

namespace pendula {

#define PENDULA_STEP_CHAINS_AT_WIDTH(count)                                               \
  template <>                                                                             \
  void StepChainsAtWidth<PENDULA_LANE_WIDTH, count>(                                      \
      const ChainModel<count>& model, const JointTorqueSettings& settings,                \
      double(*momenta)[count], double(*angles)[count], int chainCount) {                  \
    StepChainsInLanes<PlaneAlgebra, PENDULA_LANE_WIDTH>(model, settings, momenta, angles, \
                                                        chainCount);                      \
  }
PENDULA_BUILT_LINK_COUNTS(PENDULA_STEP_CHAINS_AT_WIDTH)

}  // namespace pendula
