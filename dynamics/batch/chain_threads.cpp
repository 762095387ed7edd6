#include "dynamics/batch/chain_threads.h"

#include <cstddef>
#include <string>
#include <vector>

#include "dynamics/batch/batch_blocks.h"
#include "dynamics/batch/thread_pool.h"
#include "dynamics/calls/chain_calls.h"

namespace pendula {

struct ChainThreads::Storage : WorkspacesOnThreads<ChainWorkspace> {
  Storage(const Chain& chain, int threadCount)
      : WorkspacesOnThreads(chain, threadCount),
        linkCount(chain.linkCount()),
        inPlane(chain.inPlane()),
        batchWidth(chain.batchWidth()) {}

  // The chain it was made for, as far as its workspaces depend on it.
  int linkCount;
  bool inPlane;
  int batchWidth;
};

namespace {

ChainThreads::Storage& ThreadsStorageFor(const Chain& chain, ChainThreads& onThreads) {
  ChainThreads::Storage& storage = onThreads.storage();
  if (storage.linkCount != chain.linkCount() || storage.inPlane != chain.inPlane() ||
      storage.batchWidth != chain.batchWidth()) {
    Refuse("the ChainThreads were made for a chain of " + std::to_string(storage.linkCount) +
           " links" + (storage.inPlane ? " in the plane" : "") + ", not for this chain of " +
           std::to_string(chain.linkCount()) + " links" + (chain.inPlane() ? " in the plane" : ""));
  }
  return storage;
}

// Chain-by-chain batches (Midpoint, and any chain out of the plane) have no packs to keep
// whole, so their blocks may be as small as one chain: a few costly chains still share out.
int BlockUnit(const Chain& chain, StepMethod method) {
  return chain.inPlane() && method != StepMethod::Midpoint ? StatesPerBlockUnit : 1;
}

}  // namespace

int ThreadsForChainBatch(int poolThreads, const Chain& chain, int chainCount, StepMethod method,
                         int threads) {
  return ThreadsForBatch(poolThreads, chainCount, chain.linkCount(), method,
                         BlockUnit(chain, method), threads);
}

ChainThreads::ChainThreads(const Chain& chain, int threadCount)
    : storage_(std::make_unique<Storage>(chain, threadCount > 0 ? threadCount : CoreCount())) {}

ChainThreads::~ChainThreads() = default;

int ChainThreads::ThreadCount() const {
  return storage_->pool.ThreadCount();
}

BatchStepStatus StepChains(const Chain& chain, ChainThreads& onThreads, double* momenta,
                           double* angles, int chainCount, double h, StepMethod method,
                           double friction, JointTorques torques, const NewtonSettings& newton,
                           int threads, std::uint8_t* taken) {
  ChainThreads::Storage& storage = ThreadsStorageFor(chain, onThreads);
  RequireBatch(chain, momenta, angles, chainCount, h, method, friction, torques, newton);
  const int used =
      ThreadsForChainBatch(storage.pool.ThreadCount(), chain, chainCount, method, threads);
  if (used == 1) {
    return StepCheckedChains(chain, ChainAccess::StorageOf(storage.workspaces[0]), momenta, angles,
                             chainCount, h, method, friction, torques, newton, taken);
  }
  const int n = storage.linkCount;
  auto stepBlock = [&](int first, int count, int thread) {
    const std::ptrdiff_t offset = std::ptrdiff_t{first} * n;
    JointTorques blockTorques = torques;
    if (torques.perChain && torques.values != nullptr) blockTorques.values += offset;
    return StepCheckedChains(
        chain, ChainAccess::StorageOf(storage.workspaces[static_cast<std::size_t>(thread)]),
        momenta + offset, angles + offset, count, h, method, friction, blockTorques, newton,
        taken != nullptr ? taken + first : nullptr);
  };
  return StepBlocksOnThreads(storage.pool, storage.tallies, chainCount,
                             StatesPerBlock(chainCount, used, BlockUnit(chain, method)), used,
                             stepBlock);
}

}  // namespace pendula
