// The Heun step: one explicit second-order step of size h in (p, q), of one chain or of a pack of
// chains side by side,
//   predictor   p~ = p + h·ṗ(p, q),            q~ = q + h·q̇(p, q)
//   corrector   p  = p + ((ṗ(p~, q~) + ṗ(p, q))·h)·0.5, and likewise q,
// with the same joint-torque settings for both evaluations. Angles are never wrapped.
#pragma once

#include <cstddef>
#include <utility>

#include "dynamics/chain/evaluation.h"
#include "dynamics/integrators/rk4_step.h"
#include "dynamics/lanes/lane_rows.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// The step's own arrays beside the evaluation's working data: the predicted state and the rates
// of the two evaluations.
template <typename T>
struct StepBuffers {
  T *pPredicted, *qPredicted;
  T *pdot1, *qdot1, *pdot2, *qdot2;
};

// f(array) for every per-link array of the step buffers.
template <typename T, typename F>
void ForEachLinkArray(StepBuffers<T>& b, F& f) {
  f(b.pPredicted);
  f(b.qPredicted);
  f(b.pdot1);
  f(b.qdot1);
  f(b.pdot2);
  f(b.qdot2);
}

// The step buffers, six arrays of n, as the storage of an rk4 step.
template <typename T>
inline Rk4Storage<T> Rk4StorageIn(StepBuffers<T>& b) {
  return Rk4Storage<T>{b.pdot1, b.qdot1, b.pdot2, b.qdot2, b.pPredicted, b.qPredicted};
}

// One step of size h, in place, with d and b as the working data.
template <typename A, typename T>
inline void HeunStep(const ChainModel& model, ChainData<A, T>& __restrict__ d,
                     StepBuffers<T>& __restrict__ b, const JointTorqueSettings& settings, double h,
                     T* momenta, T* angles) {
  const int n = LinkCount(model);
  // Euler predictor, into buffers of the step; the chain's arrays are not changed yet.
  ForwardDynamics(model, d, settings, momenta, angles, b.pdot1, b.qdot1);
  for (int joint = 0; joint < n; ++joint) {
    b.pPredicted[joint] = momenta[joint] + h * b.pdot1[joint];
    b.qPredicted[joint] = angles[joint] + h * b.qdot1[joint];
  }
  ForwardDynamics(model, d, settings, b.pPredicted, b.qPredicted, b.pdot2, b.qdot2);
  // Trapezoidal corrector, in exactly this order: sum of the rates, times h, times 0.5, added.
  for (int joint = 0; joint < n; ++joint) {
    momenta[joint] = momenta[joint] + ((b.pdot2[joint] + b.pdot1[joint]) * h) * 0.5;
    angles[joint] = angles[joint] + ((b.qdot2[joint] + b.qdot1[joint]) * h) * 0.5;
  }
}

// The working data of a batch stepped W chains at a time: one pack's evaluation and step data and
// its state. A W wider than the registers is carried as pairs of packs (WidePack), two
// register-wide packs in flight through every stage.
template <typename A, int W>
struct LaneBatchData {
  using Pack = WidePack<W>;
  ChainData<A, Pack> evaluation;
  StepBuffers<Pack> step;
  Pack *p, *q;
};

// f(array) for every per-link array of the batch data.
template <typename A, int W, typename F>
void ForEachLinkArray(LaneBatchData<A, W>& data, F& f) {
  ForEachLinkArray(data.evaluation, f);
  ForEachLinkArray(data.step, f);
  f(data.p);
  f(data.q);
}

// Steps chains 0 .. chainCount - 1 (momenta and angles are row by row, chain i's n values in
// row i) by one Heun step of size h each, W at a time in the lanes of a pack, each chain bit for
// bit as HeunStep steps it alone. With `torqueRows` (row i chain i's joint torques; the settings
// then say perJointTorques) each pack's torques are loaded beside its state; otherwise the
// evaluation's applied-torque vector serves every pack as it is. The empty lanes of a last pack
// that is not full carry copies of its first chain, whose results are dropped.
template <typename A, int W, typename Rows>
inline void StepChainsInLanes(const ChainModel& model, LaneBatchData<A, W>& data,
                              const JointTorqueSettings& settings, double h, Rows momenta,
                              Rows angles, int chainCount, const double* torqueRows = nullptr) {
  if (chainCount <= 0) return;
  const int n = LinkCount(model);
  for (int first = 0; first < chainCount; first += W) {
    LoadLanes(data.p, momenta, first, chainCount, n);
    LoadLanes(data.q, angles, first, chainCount, n);
    if (torqueRows != nullptr) {
      LoadLanes(data.evaluation.appliedTorque, torqueRows, first, chainCount, n);
    }
    HeunStep(model, data.evaluation, data.step, settings, h, data.p, data.q);
    StoreLanes(data.p, momenta, first, chainCount, n);
    StoreLanes(data.q, angles, first, chainCount, n);
  }
}

// How many of chainCount chains go in pairs of W-lane registers: all of them, unless the last
// pair would be half empty or less, whose chains then go in one register's pack.
inline int ChainsInPairs(int chainCount, int W) {
  const int left = chainCount % (2 * W);
  return left > 0 && left <= W ? chainCount - left : chainCount;
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
