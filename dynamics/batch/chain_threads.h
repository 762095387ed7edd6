// The batch step of chain.h on every core: a ChainThreads, made once for a chain, owns a pool of
// threads and a workspace for each of them; StepChains on it cuts the chains into blocks and
// steps the blocks on the threads, each with the single-threaded batch step on its own thread's
// workspace. Every chain ends bit for bit where the single-threaded StepChains takes it, so the
// result does not depend on the thread count.
#pragma once

#include <cstdint>
#include <memory>

#include "pendula/chain.h"

namespace pendula {

// Below this much work for each thread, waking another costs more than it saves, and one thread
// steps the batch: link-evaluations (one evaluation of the forward dynamics, per link) of a step
// of every chain, at the threshold of the program's batch on threads, 256 chains of 20 links at
// 2 evaluations each (MinimumChainsPerThread; docs/performance.md, "Threads"). The cost of a
// hand-off between threads is fixed while a step's cost grows with its links and evaluations,
// so counting both carries that threshold over to chains of any length and to every method.
constexpr long long MinimumLinkEvaluationsPerThread = 256LL * 20 * 2;

// An estimate of the evaluations of the forward dynamics that one step of a chain of `links`
// links makes by the method: Heun 2, Rk4 4, Midpoint 2·links + 4 (a few Newton iterations and
// the work of a Jacobian, counted as the 2·links evaluations that differences of it would take;
// the LU factorisation is not counted).
long long EvaluationsPerStep(StepMethod method, int links);

// The threads that StepChains below uses, on a pool of poolThreads threads, for `chainCount`
// chains of the chain by the method when asked for `threads`: at most `threads` (every thread of
// the pool for 0 or less) and at most poolThreads; for 0 or less also at most one for each
// MinimumLinkEvaluationsPerThread of the batch's link-evaluations; at most one for each block
// (ChainsPerBlockUnit chains of a batch in lanes, one chain of any other); and at least 1.
int ThreadsForChainBatch(int poolThreads, const Chain& chain, int chainCount, StepMethod method,
                         int threads);

// The cores of the machine, std::thread::hardware_concurrency(), or 1 where it is not known: the
// threads of a ChainThreads made for every core.
int CoreCount();

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
