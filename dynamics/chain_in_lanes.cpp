// The batch step of a chain built at run time for one lane width, PENDULA_LANE_WIDTH: this file
// is compiled once per width, with that width's target flags and code namespace.
#include "dynamics/chain_lanes.h"
#include "dynamics/heun_step.h"

#ifndef PENDULA_LANE_WIDTH
#error "compile with PENDULA_LANE_WIDTH set to 2, 4 or 8"
#endif

namespace pendula {
template <int W>
std::size_t LaneBatchBytes(int links) {
  LaneBatchData<PlaneAlgebra, W, DynamicLinkCount> data;
  LinkArena arena{nullptr, links};
  ForEachLinkArray(data, arena);
  return arena.used;
}

template <int W>
void StepChainsInLanesAtWidth(const ChainModel<DynamicLinkCount>& model, unsigned char* storage,
                              double h, double friction, BatchTorques torques, double* momenta,
                              double* angles, int chainCount) {
  const int n = LinkCount(model);
  LaneBatchData<PlaneAlgebra, W, DynamicLinkCount> data;
  LinkArena arena{storage, n};
  ForEachLinkArray(data, arena);
  // Torques shared by every chain, or none, sit in the applied-torque vector for every pack.
  if (torques.rows == nullptr) {
    for (int joint = 0; joint < n; ++joint) {
      data.evaluation.appliedTorque[joint] =
          LaneSplat<LanePack<W>>(torques.shared == nullptr ? 0.0 : torques.shared[joint]);
    }
  }
  const JointTorqueSettings settings{friction, 0.0, true};
  StepChainsInLanes(model, data, settings, h, momenta, angles, chainCount, torques.rows);
}

template std::size_t LaneBatchBytes<PENDULA_LANE_WIDTH>(int);
template void StepChainsInLanesAtWidth<PENDULA_LANE_WIDTH>(const ChainModel<DynamicLinkCount>&,
                                                           unsigned char*, double, double,
                                                           BatchTorques, double*, double*, int);

}  // namespace pendula
