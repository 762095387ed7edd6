// The Heun step: one explicit second-order step of size h in (p, q), of one chain or of a pack of
// chains side by side,
//   predictor   p~ = p + h·ṗ(p, q),            q~ = q + h·q̇(p, q)
//   corrector   p  = p + ((ṗ(p~, q~) + ṗ(p, q))·h)·0.5, and likewise q,
// with the same joint-torque settings for both evaluations. Angles are never wrapped.
#pragma once

#include "dynamics/evaluation.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// One step of the model's step size h, in place, with d as the working data.
template <typename A, typename T, int N>
inline void HeunStep(const ChainModel<N>& model, ChainData<A, T, N>& d,
                     const JointTorqueSettings& settings, T (&momenta)[N], T (&angles)[N]) {
  const double h = model.stepSize;
  // The first evaluation works out where the second will read the sine table and fetches those
  // entries early.
  JointTablePlaces<T, N> predictedPlaces;
  T pdot1[N], qdot1[N];
  ForwardDynamics(model, d, settings, momenta, angles, pdot1, qdot1,
                  StepLookahead<T, N>{nullptr, &predictedPlaces, h});
  // Euler predictor, into buffers of the step; the chain's arrays are not changed yet.
  T pPredicted[N], qPredicted[N];
  for (int joint = 0; joint < N; ++joint) {
    pPredicted[joint] = momenta[joint] + h * pdot1[joint];
    qPredicted[joint] = angles[joint] + h * qdot1[joint];
  }
  T pdot2[N], qdot2[N];
  ForwardDynamics(model, d, settings, pPredicted, qPredicted, pdot2, qdot2,
                  StepLookahead<T, N>{&predictedPlaces, nullptr, 0.0});
  // Trapezoidal corrector, in exactly this order: sum of the rates, times h, times 0.5, added.
  for (int joint = 0; joint < N; ++joint) {
    momenta[joint] = momenta[joint] + ((pdot2[joint] + pdot1[joint]) * h) * 0.5;
    angles[joint] = angles[joint] + ((qdot2[joint] + qdot1[joint]) * h) * 0.5;
  }
}

// Steps chains 0 .. chainCount - 1 (momenta[i] and angles[i] are chain i's) by one Heun step
// each, W at a time in the lanes of a pack, each chain bit for bit as HeunStep steps it alone.
// The empty lanes of a last pack that is not full carry copies of its first chain, whose results
// are dropped.
template <typename A, int W, int N>
inline void StepChainsInLanes(const ChainModel<N>& model, const JointTorqueSettings& settings,
                              double (*momenta)[N], double (*angles)[N], int chainCount) {
  using Pack = LanePack<W>;
  ChainData<A, Pack, N> data;
  for (int first = 0; first < chainCount; first += W) {
    const int filled = chainCount - first < W ? chainCount - first : W;
    Pack p[N], q[N];
    for (int lane = 0; lane < W; ++lane) {
      const int chain = first + (lane < filled ? lane : 0);
      for (int joint = 0; joint < N; ++joint) {
        p[joint][lane] = momenta[chain][joint];
        q[joint][lane] = angles[chain][joint];
      }
    }
    HeunStep(model, data, settings, p, q);
    for (int lane = 0; lane < filled; ++lane) {
      for (int joint = 0; joint < N; ++joint) {
        momenta[first + lane][joint] = p[joint][lane];
        angles[first + lane][joint] = q[joint][lane];
      }
    }
  }
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
