// The evaluation of an in-plane serial chain: the seven stages of the forward dynamics on the
// in-plane part of every quantity (PlaneVector, PlaneInertia), for a model of the InPlane shape,
// of one chain or of two chains side by side in the lanes of a DoublePair.
#pragma once

#include "dynamics/chain_model.h"
#include "dynamics/joint_sines.h"
#include "dynamics/lanes.h"

namespace pendula {

// What an evaluation inside a Heun step does besides: it takes its table places from the step
// (`given`, already computed for these angles) instead of computing them, and as soon as its
// joint rates are known it works out the places of the predicted angles q + h·qdot into
// `predicted`, fetching their table entries while the rest of the evaluation runs, so that the
// step's second evaluation finds them in cache. Either may be null.
template <typename T>
struct StepLookahead {
  const JointTablePlaces<T>* given;
  JointTablePlaces<T>* predicted;
  double h;
};

// (p, q) -> (pdot, qdot) for a model whose shape is InPlane. Writes the in-plane entries of the
// workspace's per-link quantities, as the general evaluation writes all of them.
void EvaluateInPlaneChain(ChainWorkspace& w, const ChainModel& model, const double (&p)[LinkCount],
                          const double (&q)[LinkCount], double (&pdot)[LinkCount],
                          double (&qdot)[LinkCount],
                          const StepLookahead<double>& lookahead = {nullptr, nullptr, 0.0});

// The same for two chains, lane 0 and lane 1 of every argument, each lane bit for bit what
// EvaluateInPlaneChain gives for that chain. Its working quantities stay in its own frame: the
// shared workspace is neither read nor written.
void EvaluateInPlaneChainPair(const ChainModel& model, const DoublePair (&p)[LinkCount],
                              const DoublePair (&q)[LinkCount], DoublePair (&pdot)[LinkCount],
                              DoublePair (&qdot)[LinkCount],
                              const StepLookahead<DoublePair>& lookahead);

}  // namespace pendula
