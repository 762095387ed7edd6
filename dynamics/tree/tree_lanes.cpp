// The dispatch of a tree's batch step to the lane widths this build has.
#include "dynamics/tree/tree_lanes.h"

#include "dynamics/lanes/lane_widths.h"

namespace pendula {

std::size_t TreeLaneBytes(int width, int n) {
  return AtLaneWidth(width, [&](auto unit) { return TreeLaneBytesAt<decltype(unit)::value>(n); });
}

void StepTreeStatesInLanes(int width, const Model::Data& model, unsigned char* storage,
                           StepMethod method, double h, const double* shared, const double* rows,
                           double* momenta, double* positions, int count) {
  return AtLaneWidth(width, [&](auto unit) {
    return StepTreeStatesInLanesAt<decltype(unit)::value>(model, storage, method, h, shared, rows,
                                                          momenta, positions, count);
  });
}

void TreeStateForwardDynamics(int width, const Model::Data& model, unsigned char* block,
                              const double* p, const double* q, const double* torques, double* pdot,
                              double* qdot) {
  return AtLaneWidth(width, [&](auto unit) {
    return TreeStateForwardDynamicsAt<decltype(unit)::value>(model, block, p, q, torques, pdot,
                                                             qdot);
  });
}

}  // namespace pendula
