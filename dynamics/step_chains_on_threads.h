// StepChains for large batches on every core: the chains are cut into blocks, and the blocks are
// stepped on the threads of a ThreadPool that the caller makes once and keeps. Each chain ends
// bit for bit where HeunStep takes it, so the result does not depend on the thread count.
#pragma once

#include "dynamics/chain_blocks.h"
#include "dynamics/step_chains.h"
#include "dynamics/thread_pool.h"

namespace pendula {
// Below this many chains for each thread, waking another thread costs more than it saves: one
// thread steps the batch (docs/performance.md, "Threads").
constexpr int MinimumChainsPerThread = 256;

// The threads that StepChainsOnThreads uses for `chainCount` chains when asked for `threads`:
// at most `threads` (all of the pool's when `threads` is 0 or less) and at most one for each
// MinimumChainsPerThread chains, and at least 1.
int ThreadsForBatch(const ThreadPool& pool, int chainCount, int threads);

namespace detail {

template <int N>
struct ChainBlocks {
  const ChainModel<N>* model;
  const JointTorqueSettings* settings;
  double (*momenta)[N];
  double (*angles)[N];
  int chainCount;
  int chainsPerBlock;
};

template <int N>
void StepChainBlock(void* context, int block, int /*thread*/) {
  const ChainBlocks<N>& blocks = *static_cast<const ChainBlocks<N>*>(context);
  const int first = block * blocks.chainsPerBlock;
  const int left = blocks.chainCount - first;
  const int count = left < blocks.chainsPerBlock ? left : blocks.chainsPerBlock;
  StepChains(*blocks.model, *blocks.settings, blocks.momenta + first, blocks.angles + first, count);
}

}  // namespace detail

// StepChains(model, settings, momenta, angles, chainCount) on up to `threads` threads of the
// pool (ThreadsForBatch; 0 or less: the default rule): the same bits for every thread count.
// Allocates nothing and starts no thread. One batch at a time per pool.
template <int N>
void StepChainsOnThreads(ThreadPool& pool, const ChainModel<N>& model,
                         const JointTorqueSettings& settings, double (*momenta)[N],
                         double (*angles)[N], int chainCount, int threads = 0) {
  if (chainCount <= 0) return;
  const int used = ThreadsForBatch(pool, chainCount, threads);
  if (used == 1) return StepChains(model, settings, momenta, angles, chainCount);
  detail::ChainBlocks<N> blocks{&model, &settings,  momenta,
                                angles, chainCount, ChainsPerBlock(chainCount, used)};
  const int blockCount = (chainCount + blocks.chainsPerBlock - 1) / blocks.chainsPerBlock;
  pool.Run(blockCount, detail::StepChainBlock<N>, &blocks, used);
}

}  // namespace pendula
