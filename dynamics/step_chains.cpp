#include "dynamics/step_chains.h"

#include <cassert>

#include "dynamics/heun_step.h"

namespace pendula {

int WidestLaneWidth() {
  if (LaneWidthAvailable(8)) return 8;
  if (LaneWidthAvailable(4)) return 4;
  return 2;
}

bool LaneWidthAvailable(int width) {
  switch (width) {
    case 2:
      return true;
#ifdef PENDULA_HAVE_LANE_WIDTH_4
    case 4:
      return __builtin_cpu_supports("avx2");
#endif
#ifdef PENDULA_HAVE_LANE_WIDTH_8
    case 8:
      return __builtin_cpu_supports("avx512f");
#endif
    default:
      return false;
  }
}

namespace {

// Chains of another shape, one by one.
template <int N>
void StepChainsWith(SpatialAlgebra, const ChainModel<N>& model, const JointTorqueSettings& settings,
                    double (*momenta)[N], double (*angles)[N], int chainCount) {
  ChainData<SpatialAlgebra, double, N> data;
  for (int i = 0; i < chainCount; ++i) HeunStep(model, data, settings, momenta[i], angles[i]);
}

// In-plane chains, model.laneWidth at a time.
template <int N>
void StepChainsWith(PlaneAlgebra, const ChainModel<N>& model, const JointTorqueSettings& settings,
                    double (*momenta)[N], double (*angles)[N], int chainCount) {
  assert(LaneWidthAvailable(model.laneWidth));
  switch (model.laneWidth) {
#ifdef PENDULA_HAVE_LANE_WIDTH_8
    case 8:
      return StepChainsAtWidth<8>(model, settings, momenta, angles, chainCount);
#endif
#ifdef PENDULA_HAVE_LANE_WIDTH_4
    case 4:
      return StepChainsAtWidth<4>(model, settings, momenta, angles, chainCount);
#endif
    default:
      return StepChainsAtWidth<2>(model, settings, momenta, angles, chainCount);
  }
}

}  // namespace

template <int N>
void StepBuiltChains(const ChainModel<N>& model, const JointTorqueSettings& settings,
                     double (*momenta)[N], double (*angles)[N], int chainCount) {
  if (chainCount <= 0) return;
  WithAlgebraOf(model, [&](auto algebra) {
    StepChainsWith(algebra, model, settings, momenta, angles, chainCount);
  });
}

#define PENDULA_STEP_BUILT_CHAINS(count)                                                     \
  template void StepBuiltChains<count>(const ChainModel<count>&, const JointTorqueSettings&, \
                                       double(*)[count], double(*)[count], int);
PENDULA_BUILT_LINK_COUNTS(PENDULA_STEP_BUILT_CHAINS)

}  // namespace pendula
