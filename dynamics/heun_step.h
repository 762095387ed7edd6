// The Heun step: one explicit second-order step of size h in (p, q), of one chain or of a pack of
// chains side by side,
//   predictor   p~ = p + h·ṗ(p, q),            q~ = q + h·q̇(p, q)
//   corrector   p  = p + ((ṗ(p~, q~) + ṗ(p, q))·h)·0.5, and likewise q,
// with the same joint-torque settings for both evaluations. Angles are never wrapped.
#pragma once

#include <utility>

#include "dynamics/evaluation.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// One step of the model's step size h, in place, with d as the working data; `places`, if
// given, are the table places of the angles, worked out (and fetched) beforehand.
template <typename A, typename T, int N>
inline void HeunStep(const ChainModel<N>& model, ChainData<A, T, N>& __restrict__ d,
                     const JointTorqueSettings& settings, T (&momenta)[N], T (&angles)[N],
                     const JointTablePlaces<T, N>* places = nullptr) {
  const double h = model.stepSize;
  // Euler predictor, into buffers of the step; the chain's arrays are not changed yet. The first
  // evaluation forms the predicted angles itself, as soon as it has the joint rates, so that it
  // can work out where the second will read the sine table and fetch those entries early.
  T pPredicted[N], qPredicted[N];
  JointTablePlaces<T, N> predictedPlaces;
  T pdot1[N], qdot1[N];
  ForwardDynamics(model, d, settings, momenta, angles, pdot1, qdot1,
                  StepLookahead<T, N>{places, &qPredicted, &predictedPlaces, h});
  for (int joint = 0; joint < N; ++joint) pPredicted[joint] = momenta[joint] + h * pdot1[joint];
  T pdot2[N], qdot2[N];
  ForwardDynamics(model, d, settings, pPredicted, qPredicted, pdot2, qdot2,
                  StepLookahead<T, N>{&predictedPlaces});
  // Trapezoidal corrector, in exactly this order: sum of the rates, times h, times 0.5, added.
  for (int joint = 0; joint < N; ++joint) {
    momenta[joint] = momenta[joint] + ((pdot2[joint] + pdot1[joint]) * h) * 0.5;
    angles[joint] = angles[joint] + ((qdot2[joint] + qdot1[joint]) * h) * 0.5;
  }
}

namespace detail {

// Element `joint` of each of the W rows, as one register's pack, assembled in registers.
template <int W, int N, int... Lane>
inline LanePack<W> JointOfRows(const double (*const* rows)[N], int joint,
                               std::integer_sequence<int, Lane...>) {
  return LanePack<W>{(*rows[Lane])[joint]...};
}

// The same as a Pack of any width: a pair takes the first half of the rows in its low pack.
template <typename Pack, int N>
inline Pack JointOfRows(const double (*const* rows)[N], int joint) {
  if constexpr (IsPackPair<Pack>::value) {
    using Half = decltype(Pack::low);
    return Pack{JointOfRows<Half>(rows, joint), JointOfRows<Half>(rows + LaneCount<Half>, joint)};
  } else {
    constexpr int W = LaneCount<Pack>;
    return JointOfRows<W>(rows, joint, std::make_integer_sequence<int, W>{});
  }
}

}  // namespace detail

// Chains first .. first + W - 1 in the lanes of (p, q); the lanes of chains at or beyond `count`
// carry a copy of chain `first`.
template <typename Pack, int N>
inline void LoadLanes(Pack (&p)[N], Pack (&q)[N], const double (*momenta)[N],
                      const double (*angles)[N], int first, int count) {
  constexpr int W = LaneCount<Pack>;
  const double(*pRows[W])[N];
  const double(*qRows[W])[N];
  for (int lane = 0; lane < W; ++lane) {
    const int chain = first + lane < count ? first + lane : first;
    pRows[lane] = &momenta[chain];
    qRows[lane] = &angles[chain];
  }
  for (int joint = 0; joint < N; ++joint) {
    p[joint] = detail::JointOfRows<Pack>(pRows, joint);
    q[joint] = detail::JointOfRows<Pack>(qRows, joint);
  }
}

// Steps chains 0 .. chainCount - 1 (momenta[i] and angles[i] are chain i's) by one Heun step
// each, W at a time in the lanes of a pack, each chain bit for bit as HeunStep steps it alone.
// A W wider than the registers is carried as pairs of packs (WidePack), two register-wide packs
// in flight through every stage.
// The empty lanes of a last pack that is not full carry copies of its first chain, whose results
// are dropped. While one pack is stepped, the sine-table entries of the next pack's angles are
// on their way into the cache: the table is far larger than the cache, and the first lookups of
// a step would otherwise wait for memory.
template <typename A, int W, int N>
inline void StepChainsInLanes(const ChainModel<N>& model, const JointTorqueSettings& settings,
                              double (*momenta)[N], double (*angles)[N], int chainCount) {
  using Pack = WidePack<W>;
  if (chainCount <= 0) return;
  const SineTable& table = *model.sineTable;
  ChainData<A, Pack, N> data;
  Pack p[2][N], q[2][N];
  JointTablePlaces<Pack, N> places[2];
  LoadLanes(p[0], q[0], momenta, angles, 0, chainCount);
  TablePlacesOf(table, places[0], q[0], true);
  for (int first = 0, now = 0; first < chainCount; first += W, now ^= 1) {
    if (first + W < chainCount) {
      LoadLanes(p[now ^ 1], q[now ^ 1], momenta, angles, first + W, chainCount);
      TablePlacesOf(table, places[now ^ 1], q[now ^ 1], true);
    }
    HeunStep(model, data, settings, p[now], q[now], &places[now]);
    for (int lane = 0; lane < W && first + lane < chainCount; ++lane) {
      for (int joint = 0; joint < N; ++joint) {
        momenta[first + lane][joint] = p[now][joint][lane];
        angles[first + lane][joint] = q[now][joint][lane];
      }
    }
  }
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
