// The batch of a chain in lanes: the working data of chains stepped W at a time, and how a batch
// splits into pairs of packs and the rest.
#pragma once

#include "dynamics/chain/chain_data.h"
#include "dynamics/integrators/heun_step.h"
#include "dynamics/lanes/lane_rows.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

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

// How many of chainCount chains go in pairs of W-lane registers: all of them, unless the last
// pair would be half empty or less, whose chains then go in one register's pack.
inline int ChainsInPairs(int chainCount, int W) {
  const int left = chainCount % (2 * W);
  return left > 0 && left <= W ? chainCount - left : chainCount;
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
