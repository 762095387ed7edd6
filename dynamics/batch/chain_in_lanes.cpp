// The batch step of a chain built at run time for one lane width, PENDULA_LANE_WIDTH: this file
// is compiled once per width, with that width's target flags and code namespace.

// Every array of the batch data is bound to the storage by ForEachLinkArray before any stage
// reads it; once the pair's step is flattened into one function GCC loses track of that and
// warns that the arrays may be read unset. The warning points into the headers, so it is turned
// off for the whole of this file, before they are included.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "dynamics/batch/chain_lanes.h"
#include "dynamics/integrators/heun_step.h"

#ifndef PENDULA_LANE_WIDTH
#error "compile with PENDULA_LANE_WIDTH set to 2, 4 or 8"
#endif

namespace pendula {
namespace {

// With AVX-512F's 32 registers the Heun batch carries a pair of registers, 16 chains, through
// every stage, as the program's batch does; a batch whose last pair would be half empty or less
// ends in one register's pack. Both share the one storage, sized for the pair.
constexpr int HeunLanes = PENDULA_LANE_WIDTH == 8 ? 2 * PENDULA_LANE_WIDTH : PENDULA_LANE_WIDTH;

template <int W>
std::size_t BatchBytes(int links) {
  LaneBatchData<PlaneAlgebra, W> data;
  LinkBytes bytes{links};
  ForEachLinkArray(data, bytes);
  return bytes.used;
}

// The Heun step of chains 0 .. chainCount - 1, W at a time, in the storage given.
template <int W>
void HeunInLanes(const ChainModel& model, unsigned char* storage, double h, double friction,
                 BatchTorques torques, double* momenta, double* angles, int chainCount) {
  if (chainCount <= 0) return;
  const int n = LinkCount(model);
  LaneBatchData<PlaneAlgebra, W> data;
  LinkArena arena{storage, n};
  ForEachLinkArray(data, arena);
  // Torques shared by every chain, or none, sit in the applied-torque vector for every pack.
  if (torques.rows == nullptr) {
    for (int joint = 0; joint < n; ++joint) {
      data.evaluation.appliedTorque[joint] =
          LaneSplat<WidePack<W>>(torques.shared == nullptr ? 0.0 : torques.shared[joint]);
    }
  }
  const JointTorqueSettings settings = PerJoint(friction);
  StepChainsInLanes(model, data, settings, h, momenta, angles, chainCount, torques.rows);
}

}  // namespace

template <int W>
std::size_t LaneBatchBytes(int links) {
  const std::size_t heun = BatchBytes<HeunLanes>(links), rk4 = BatchBytes<W>(links);
  return heun > rk4 ? heun : rk4;
}

#if PENDULA_LANE_WIDTH == 8
#define PENDULA_STEP_ATTRIBUTES __attribute__((flatten))
#else
#define PENDULA_STEP_ATTRIBUTES
#endif

template <int W>
PENDULA_STEP_ATTRIBUTES void StepChainsInLanesAtWidth(const ChainModel& model,
                                                      unsigned char* storage, double h,
                                                      double friction, BatchTorques torques,
                                                      double* momenta, double* angles,
                                                      int chainCount) {
  if constexpr (HeunLanes > W) {
    const int n = LinkCount(model);
    const int inPairs = ChainsInPairs(chainCount, W);
    const std::ptrdiff_t rest = static_cast<std::ptrdiff_t>(inPairs) * n;
    HeunInLanes<HeunLanes>(model, storage, h, friction, torques, momenta, angles, inPairs);
    const BatchTorques restTorques{torques.shared,
                                   torques.rows == nullptr ? nullptr : torques.rows + rest};
    HeunInLanes<W>(model, storage, h, friction, restTorques, momenta + rest, angles + rest,
                   chainCount - inPairs);
  } else {
    HeunInLanes<W>(model, storage, h, friction, torques, momenta, angles, chainCount);
  }
}

// The rk4 step of every chain of the batch, W at a time: a pack's state in the batch data's state
// arrays, the step's stages in its step buffers.
template <int W>
void Rk4ChainsInLanesAtWidth(const ChainModel& model, unsigned char* storage, double h,
                             double friction, BatchTorques torques, double* momenta, double* angles,
                             int chainCount) {
  using Pack = LanePack<W>;
  const int n = LinkCount(model);
  LaneBatchData<PlaneAlgebra, W> data;
  LinkArena arena{storage, n};
  ForEachLinkArray(data, arena);
  for (int joint = 0; joint < n; ++joint) {
    data.evaluation.appliedTorque[joint] = LaneSplat<Pack>(
        torques.rows != nullptr || torques.shared == nullptr ? 0.0 : torques.shared[joint]);
  }
  const JointTorqueSettings settings = PerJoint(friction);
  const Rk4Storage<Pack> rk4 = Rk4StorageIn(data.step);
  auto f = [&](const Pack* p, const Pack* q, Pack* pdot, Pack* qdot) {
    ForwardDynamics(model, data.evaluation, settings, p, q, pdot, qdot);
  };
  Pack* p = data.p;
  Pack* q = data.q;
  for (int first = 0; first < chainCount; first += W) {
    LoadLanes(p, momenta, first, chainCount, n);
    LoadLanes(q, angles, first, chainCount, n);
    if (torques.rows != nullptr) {
      LoadLanes(data.evaluation.appliedTorque, torques.rows, first, chainCount, n);
    }
    Rk4Step(f, n, h, p, q, rk4);
    StoreLanes(p, momenta, first, chainCount, n);
    StoreLanes(q, angles, first, chainCount, n);
  }
}

template std::size_t LaneBatchBytes<PENDULA_LANE_WIDTH>(int);
template void StepChainsInLanesAtWidth<PENDULA_LANE_WIDTH>(const ChainModel&, unsigned char*,
                                                           double, double, BatchTorques, double*,
                                                           double*, int);
template void Rk4ChainsInLanesAtWidth<PENDULA_LANE_WIDTH>(const ChainModel&, unsigned char*, double,
                                                          double, BatchTorques, double*, double*,
                                                          int);

}  // namespace pendula
