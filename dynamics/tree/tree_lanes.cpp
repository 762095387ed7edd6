// The dispatch of a tree's batch step to the lane widths this build has.
#include "dynamics/tree/tree_lanes.h"

namespace pendula {

std::size_t TreeLaneBytes(int width, int n) {
  switch (width) {
#ifdef PENDULA_HAVE_LANE_WIDTH_8
    case 8:
      return TreeLaneBytesAt<8>(n);
#endif
#ifdef PENDULA_HAVE_LANE_WIDTH_4
    case 4:
      return TreeLaneBytesAt<4>(n);
#endif
    default:
      return TreeLaneBytesAt<2>(n);
  }
}

void StepTreeStatesInLanes(int width, const Model::Data& model, unsigned char* storage,
                           StepMethod method, double h, const double* shared, const double* rows,
                           double* momenta, double* positions, int count) {
  switch (width) {
#ifdef PENDULA_HAVE_LANE_WIDTH_8
    case 8:
      return StepTreeStatesInLanesAt<8>(model, storage, method, h, shared, rows, momenta, positions,
                                        count);
#endif
#ifdef PENDULA_HAVE_LANE_WIDTH_4
    case 4:
      return StepTreeStatesInLanesAt<4>(model, storage, method, h, shared, rows, momenta, positions,
                                        count);
#endif
    default:
      return StepTreeStatesInLanesAt<2>(model, storage, method, h, shared, rows, momenta, positions,
                                        count);
  }
}

void TreeStateForwardDynamics(int width, const Model::Data& model, unsigned char* block,
                              const double* p, const double* q, const double* torques, double* pdot,
                              double* qdot) {
  switch (width) {
#ifdef PENDULA_HAVE_LANE_WIDTH_8
    case 8:
      return TreeStateForwardDynamicsAt<8>(model, block, p, q, torques, pdot, qdot);
#endif
#ifdef PENDULA_HAVE_LANE_WIDTH_4
    case 4:
      return TreeStateForwardDynamicsAt<4>(model, block, p, q, torques, pdot, qdot);
#endif
    default:
      return TreeStateForwardDynamicsAt<2>(model, block, p, q, torques, pdot, qdot);
  }
}

}  // namespace pendula
