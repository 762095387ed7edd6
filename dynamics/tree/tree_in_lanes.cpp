// The batch step of a tree for one lane width, PENDULA_LANE_WIDTH: this file is compiled once
// per width, with that width's target flags and code namespace.
#include "dynamics/integrators/heun_rule.h"
#include "dynamics/integrators/rk4_step.h"
#include "dynamics/lanes/lane_rows.h"
#include "dynamics/tree/tree_evaluation.h"
#include "dynamics/tree/tree_lanes.h"

#ifndef PENDULA_LANE_WIDTH
#error "compile with PENDULA_LANE_WIDTH set to 2, 4 or 8"
#endif

namespace pendula {
namespace {

// A pack's working data, its state and torques, and the step's buffers.
template <int W>
struct TreeBatch {
  using Pack = LanePack<W>;
  tree::TreeData<Pack> evaluation;
  Pack *p, *q, *torques;
  Pack* buffers[6];
};

template <int W, typename F>
void ForEachBatchArray(TreeBatch<W>& b, F& f) {
  tree::ForEachTreeArray(b.evaluation, f);
  f(b.p);
  f(b.q);
  f(b.torques);
  for (auto& buffer : b.buffers) f(buffer);
}

}  // namespace

template <int W>
std::size_t TreeLaneBytesAt(int n) {
  TreeBatch<W> batch;
  LinkBytes bytes{n};
  ForEachBatchArray(batch, bytes);
  return bytes.used;
}

template <int W>
void StepTreeStatesInLanesAt(const Model::Data& model, unsigned char* storage, StepMethod method,
                             double h, const double* shared, const double* rows, double* momenta,
                             double* positions, int count) {
  using Pack = LanePack<W>;
  const int n = static_cast<int>(model.joints.size());
  TreeBatch<W> b;
  LinkArena arena{storage, n};
  ForEachBatchArray(b, arena);
  if (rows == nullptr && shared != nullptr) {
    for (int i = 0; i < n; ++i) b.torques[i] = LaneSplat<Pack>(shared[i]);
  }
  const Pack* torques = rows == nullptr && shared == nullptr ? nullptr : b.torques;
  auto f = [&](const Pack* p, const Pack* q, Pack* pdot, Pack* qdot) {
    tree::ForwardDynamics(model, b.evaluation, p, q, torques, pdot, qdot);
  };
  ForEachPack(n, b.p, b.q, b.torques, momenta, positions, count, rows, [&](Pack* p, Pack* q) {
    if (method == StepMethod::Rk4) {
      Rk4Step(f, n, h, p, q,
              Rk4Storage<Pack>{b.buffers[0], b.buffers[1], b.buffers[2], b.buffers[3], b.buffers[4],
                               b.buffers[5]});
    } else {
      HeunRuleStep(f, n, h, p, q,
                   HeunStorage<Pack>{b.buffers[0], b.buffers[1], b.buffers[2], b.buffers[3],
                                     b.buffers[4], b.buffers[5]});
    }
  });
}

template <int W>
void TreeStateForwardDynamicsAt(const Model::Data& model, unsigned char* block, const double* p,
                                const double* q, const double* torques, double* pdot,
                                double* qdot) {
  tree::TreeData<double> d;
  LinkArena arena{block, static_cast<int>(model.joints.size())};
  tree::ForEachTreeArray(d, arena);
  tree::ForwardDynamics(model, d, p, q, torques, pdot, qdot);
}

template std::size_t TreeLaneBytesAt<PENDULA_LANE_WIDTH>(int);
template void TreeStateForwardDynamicsAt<PENDULA_LANE_WIDTH>(const Model::Data&, unsigned char*,
                                                             const double*, const double*,
                                                             const double*, double*, double*);
template void StepTreeStatesInLanesAt<PENDULA_LANE_WIDTH>(const Model::Data&, unsigned char*,
                                                          StepMethod, double, const double*,
                                                          const double*, double*, double*, int);

}  // namespace pendula
