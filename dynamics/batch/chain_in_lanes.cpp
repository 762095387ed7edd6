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
#include "dynamics/batch/lane_batch.h"
#include "dynamics/integrators/rk4_step.h"

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

// The batch data of W lanes bound to the storage, with torques shared by every chain (or none,
// zeros) in the applied-torque vector for every pack; torques per chain are loaded pack by pack.
template <int W>
LaneBatchData<PlaneAlgebra, W> BatchDataIn(unsigned char* storage, int n, BatchTorques torques) {
  LaneBatchData<PlaneAlgebra, W> data;
  LinkArena arena{storage, n};
  ForEachLinkArray(data, arena);
  for (int joint = 0; joint < n; ++joint) {
    data.evaluation.appliedTorque[joint] = LaneSplat<WidePack<W>>(
        torques.rows != nullptr || torques.shared == nullptr ? 0.0 : torques.shared[joint]);
  }
  return data;
}

// The Heun step of chains 0 .. chainCount - 1, W at a time, in the storage given.
template <int W>
void HeunInLanes(const ChainModel& model, unsigned char* storage, double h, double friction,
                 BatchTorques torques, double* momenta, double* angles, int chainCount) {
  if (chainCount <= 0) return;
  const int n = LinkCount(model);
  LaneBatchData<PlaneAlgebra, W> data = BatchDataIn<W>(storage, n, torques);
  const JointTorqueSettings settings = PerJoint(friction);
  ForEachPack(
      n, data.p, data.q, data.evaluation.appliedTorque, momenta, angles, chainCount, torques.rows,
      [&](auto* p, auto* q) { HeunStep(model, data.evaluation, data.step, settings, h, p, q); });
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

// The rk4 step of every chain of the batch, W at a time, the step's stages in its step buffers.
template <int W>
void Rk4ChainsInLanesAtWidth(const ChainModel& model, unsigned char* storage, double h,
                             double friction, BatchTorques torques, double* momenta, double* angles,
                             int chainCount) {
  using Pack = LanePack<W>;
  if (chainCount <= 0) return;
  const int n = LinkCount(model);
  LaneBatchData<PlaneAlgebra, W> data = BatchDataIn<W>(storage, n, torques);
  const JointTorqueSettings settings = PerJoint(friction);
  const Rk4Storage<Pack> rk4 = Rk4StorageIn(data.step);
  auto f = [&](const Pack* p, const Pack* q, Pack* pdot, Pack* qdot) {
    ForwardDynamics(model, data.evaluation, settings, p, q, pdot, qdot);
  };
  ForEachPack(n, data.p, data.q, data.evaluation.appliedTorque, momenta, angles, chainCount,
              torques.rows, [&](Pack* p, Pack* q) { Rk4Step(f, n, h, p, q, rk4); });
}

template std::size_t LaneBatchBytes<PENDULA_LANE_WIDTH>(int);
template void StepChainsInLanesAtWidth<PENDULA_LANE_WIDTH>(const ChainModel&, unsigned char*,
                                                           double, double, BatchTorques, double*,
                                                           double*, int);
template void Rk4ChainsInLanesAtWidth<PENDULA_LANE_WIDTH>(const ChainModel&, unsigned char*, double,
                                                          double, BatchTorques, double*, double*,
                                                          int);

}  // namespace pendula
