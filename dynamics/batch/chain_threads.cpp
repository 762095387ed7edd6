#include "dynamics/batch/chain_threads.h"

#include <cstddef>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "dynamics/batch/chain_blocks.h"
#include "dynamics/batch/thread_pool.h"
#include "dynamics/calls/chain_calls.h"

namespace pendula {

struct ChainThreads::Storage {
  Storage(const Chain& chain, int threadCount)
      : pool(threadCount),
        linkCount(chain.linkCount()),
        inPlane(chain.inPlane()),
        batchWidth(chain.batchWidth()) {
    const auto threads = static_cast<std::size_t>(pool.ThreadCount());
    workspaces.reserve(threads);
    for (std::size_t t = 0; t < threads; ++t) workspaces.emplace_back(chain);
    tallies.resize(threads);
  }

  // One thread's part of a batch's status, on a cache line of its own so that the threads do not
  // contend for it.
  struct alignas(64) Tally {
    BatchStepStatus status;
  };

  ThreadPool pool;
  std::vector<ChainWorkspace> workspaces;  // workspaces[t] for the thread of slot t
  std::vector<Tally> tallies;              // likewise
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
  return chain.inPlane() && method != StepMethod::Midpoint ? ChainsPerBlockUnit : 1;
}

// One batch on threads, as its blocks read it.
struct Blocks {
  const Chain* chain;
  ChainThreads::Storage* storage;
  double* momenta;
  double* angles;
  int chainCount;
  int chainsPerBlock;
  double h;
  StepMethod method;
  double friction;
  JointTorques torques;
  const NewtonSettings* newton;
  std::uint8_t* taken;
};

void StepBlock(void* context, int block, int thread) {
  const Blocks& b = *static_cast<const Blocks*>(context);
  const int first = block * b.chainsPerBlock;
  const int left = b.chainCount - first;
  const int count = left < b.chainsPerBlock ? left : b.chainsPerBlock;
  const std::ptrdiff_t offset = std::ptrdiff_t{first} * b.storage->linkCount;
  JointTorques torques = b.torques;
  if (torques.perChain && torques.values != nullptr) torques.values += offset;
  const BatchStepStatus status =
      StepCheckedChains(*b.chain, b.storage->workspaces[static_cast<std::size_t>(thread)].storage(),
                        b.momenta + offset, b.angles + offset, count, b.h, b.method, b.friction,
                        torques, *b.newton, b.taken != nullptr ? b.taken + first : nullptr);
  BatchStepStatus& tally = b.storage->tallies[static_cast<std::size_t>(thread)].status;
  tally.evaluations += status.evaluations;
  if (status.notTaken > 0) {
    const int firstNotTaken = first + status.firstNotTaken;
    if (tally.notTaken == 0 || firstNotTaken < tally.firstNotTaken) {
      tally.firstNotTaken = firstNotTaken;
    }
    tally.notTaken += status.notTaken;
  }
}

}  // namespace

int CoreCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

long long EvaluationsPerStep(StepMethod method, int links) {
  switch (method) {
    case StepMethod::Heun:
      return 2;
    case StepMethod::Rk4:
      return 4;
    case StepMethod::Midpoint:
      return 2LL * links + 4;
  }
  return 2;
}

int ThreadsForChainBatch(int poolThreads, const Chain& chain, int chainCount, StepMethod method,
                         int threads) {
  long long used = poolThreads > 1 ? poolThreads : 1;
  if (threads > 0 && threads < used) used = threads;
  if (threads <= 0) {
    const int links = chain.linkCount();
    const long long work =
        static_cast<long long>(chainCount) * links * EvaluationsPerStep(method, links);
    const long long worthIt = work / MinimumLinkEvaluationsPerThread;
    if (used > worthIt) used = worthIt;
  }
  const int unit = BlockUnit(chain, method);
  const long long blocks = (static_cast<long long>(chainCount) + unit - 1) / unit;
  if (used > blocks) used = blocks;
  return used > 1 ? static_cast<int>(used) : 1;
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
    return StepCheckedChains(chain, storage.workspaces[0].storage(), momenta, angles, chainCount, h,
                             method, friction, torques, newton, taken);
  }
  Blocks blocks{&chain,  &storage,   momenta,
                angles,  chainCount, ChainsPerBlock(chainCount, used, BlockUnit(chain, method)),
                h,       method,     friction,
                torques, &newton,    taken};
  for (ChainThreads::Storage::Tally& tally : storage.tallies) tally.status = BatchStepStatus{};
  const int blockCount = (chainCount + blocks.chainsPerBlock - 1) / blocks.chainsPerBlock;
  storage.pool.Run(blockCount, StepBlock, &blocks, used);
  BatchStepStatus status;
  for (const ChainThreads::Storage::Tally& tally : storage.tallies) {
    status.evaluations += tally.status.evaluations;
    if (tally.status.notTaken == 0) continue;
    if (status.notTaken == 0 || tally.status.firstNotTaken < status.firstNotTaken) {
      status.firstNotTaken = tally.status.firstNotTaken;
    }
    status.notTaken += tally.status.notTaken;
  }
  return status;
}

}  // namespace pendula
