// The batch step of chain.h on every core: a ChainThreads, made once for a chain, owns a pool of
// threads and a workspace for each of them; StepChains on it cuts the chains into blocks and
// steps the blocks on the threads, each with the single-threaded batch step on its own thread's
// workspace. Every chain ends bit for bit where the single-threaded StepChains takes it, so the
// result does not depend on the thread count.
#pragma once

#include <cstdint>
#include <memory>

#include "dynamics/batch/batch_blocks.h"
#include "pendula/chain.h"

namespace pendula {

// The threads that StepChains below uses, on a pool of poolThreads threads, for `chainCount`
// chains of the chain by the method when asked for `threads`: ThreadsForBatch (batch_blocks.h)
// with blocks of StatesPerBlockUnit chains for a batch in lanes, of one chain for any other.
int ThreadsForChainBatch(int poolThreads, const Chain& chain, int chainCount, StepMethod method,
                         int threads);

// The threads and the working data of the batch step on threads, for chains of one shape and
// link count: made once, used by one call at a time (as a workspace is).
class ChainThreads {
 public:
  // threadCount threads: threadCount - 1 workers, started here, and the caller of each step;
  // 0 or less: CoreCount().
  ChainThreads(const Chain& chain, int threadCount);
  ~ChainThreads();
  ChainThreads(const ChainThreads&) = delete;
  ChainThreads& operator=(const ChainThreads&) = delete;

  int ThreadCount() const;

  struct Storage;  // opaque
  Storage& storage() { return *storage_; }

 private:
  std::unique_ptr<Storage> storage_;
};

// StepChains(chain, workspace, momenta, angles, chainCount, h, method, friction, torques, newton)
// of chain.h on up to `threads` threads of the ChainThreads (ThreadsForChainBatch; 0 or less: the
// default rule), with the same checks, the same bits and the same status. taken, when not null,
// is chainCount flags: taken[i] = 1 when chain i was stepped, 0 when its Midpoint solve did not
// converge. The ChainThreads must have been made for a chain of the same shape and link count
// (std::invalid_argument otherwise). Allocates nothing and starts no thread.
BatchStepStatus StepChains(const Chain& chain, ChainThreads& onThreads, double* momenta,
                           double* angles, int chainCount, double h,
                           StepMethod method = StepMethod::Heun, double friction = 0.0,
                           JointTorques torques = {}, const NewtonSettings& newton = {},
                           int threads = 0, std::uint8_t* taken = nullptr);

}  // namespace pendula
