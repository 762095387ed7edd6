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
#include "dynamics/trigonometry/table_prefetch.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// The step's own arrays beside the evaluation's working data: the predicted state and the rates
// of the two evaluations (the Heun step keeps its second rates in the predicted state's arrays;
// the rk4 step takes all six).
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
  // A pack whose lookups read lane by lane asks for the lines of the second evaluation's angles
  // q + h·q̇ as the first one's outward pass finds each rate: they then have the force pass to
  // arrive in. (Where one gather reads a register's entries, the requests cost more than the
  // misses they hide.)
  constexpr bool requestLines = CanRequestLines && !std::is_same_v<T, double> && !GathersEntries<T>;
  const SineTable* table = model.sines == SineSource::Table ? model.sineTable : nullptr;
  ForwardDynamics(model, d, settings, momenta, angles, b.pdot1, b.qdot1,
                  [&](int link, const T& rate) {
                    if constexpr (requestLines) {
                      if (table != nullptr) RequestLinesOf(*table, angles[link] + h * rate);
                    }
                  });
  for (int joint = 0; joint < n; ++joint) {
    b.pPredicted[joint] = momenta[joint] + h * b.pdot1[joint];
    b.qPredicted[joint] = angles[joint] + h * b.qdot1[joint];
  }
  // The second evaluation's rates are written over the predicted state, which it has read by
  // the time it writes them: two arrays fewer to keep in cache.
  T* pdot2 = b.pPredicted;
  T* qdot2 = b.qPredicted;
  ForwardDynamics(model, d, settings, b.pPredicted, b.qPredicted, pdot2, qdot2);
  // Trapezoidal corrector, in exactly this order: sum of the rates, times h, times 0.5, added.
  for (int joint = 0; joint < n; ++joint) {
    momenta[joint] = momenta[joint] + ((pdot2[joint] + b.pdot1[joint]) * h) * 0.5;
    angles[joint] = angles[joint] + ((qdot2[joint] + b.qdot1[joint]) * h) * 0.5;
  }
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
