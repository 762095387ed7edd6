// A batch of states on the threads of a ThreadPool, for chains and trees alike: how many threads
// a batch is worth, how it is cut into blocks (about four for each thread, so that a thread
// slowed by others' work on its core leaves its remaining blocks to the rest), and the blocks'
// statuses summed in per-thread tallies.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "dynamics/batch/thread_pool.h"
#include "pendula/chain.h"

namespace pendula {

// Blocks of a batch that goes side by side in lanes are whole multiples of this many states, a
// multiple of every pack width, so that no pack but the batch's last is part empty, however
// many threads share the batch. A batch stepped state by state has blocks of any size.
constexpr int StatesPerBlockUnit = 16;

// Below this much work for each thread, waking another costs more than it saves, and one thread
// steps the batch: link-evaluations (one evaluation of the forward dynamics, per link or joint)
// of a step of every state, at the threshold of the program's batch on threads, 256 chains of
// 20 links at 2 evaluations each (docs/performance.md, "Threads"). The cost of a hand-off
// between threads is fixed while a step's cost grows with its links and evaluations, so counting
// both carries that threshold over to models of any size and to every method.
constexpr long long MinimumLinkEvaluationsPerThread = 256LL * 20 * 2;

// An estimate of the evaluations of the forward dynamics that one step of a state of `size`
// links or joints makes by the method: Heun 2, Rk4 4, Midpoint 2·size + 4 (a few Newton
// iterations and the work of a Jacobian, counted as the 2·size evaluations that differences of
// it would take; the LU factorisation is not counted).
long long EvaluationsPerStep(StepMethod method, int size);

// The cores of the machine, std::thread::hardware_concurrency(), or 1 where it is not known.
int CoreCount();

// The threads for a batch of stateCount states of `size` links or joints by the method, on a
// pool of poolThreads threads, when asked for `threads`: at most `threads` (every thread of the
// pool for 0 or less) and at most poolThreads; for 0 or less also at most one for each
// MinimumLinkEvaluationsPerThread of the batch's link-evaluations; at most one for each block of
// `unit` states; and at least 1.
int ThreadsForBatch(int poolThreads, int stateCount, int size, StepMethod method, int unit,
                    int threads);

// States in each block of a batch of stateCount states for `threads` threads: about a quarter
// of a thread's share, rounded up to a whole number of `unit` states (at least one unit).
int StatesPerBlock(int stateCount, int threads, int unit = StatesPerBlockUnit);

// Adds the status of a block whose first state is `first` to `into`: evaluations and states not
// taken summed, the first state not taken the least.
void AddBlockStatus(BatchStepStatus& into, const BatchStepStatus& block, int first);

// One thread's part of a batch's status, on a cache line of its own so that the threads do not
// contend for it.
struct alignas(64) ThreadTally {
  BatchStepStatus status;
};

// A pool of threadCount threads with a workspace and a tally for each thread's slot: the working
// data of a batch on threads, made once for a model.
template <class Workspace>
struct WorkspacesOnThreads {
  template <class Model>
  WorkspacesOnThreads(const Model& model, int threadCount) : pool(threadCount) {
    const auto threads = static_cast<std::size_t>(pool.ThreadCount());
    workspaces.reserve(threads);
    for (std::size_t t = 0; t < threads; ++t) workspaces.emplace_back(model);
    tallies.resize(threads);
  }

  ThreadPool pool;
  std::vector<Workspace> workspaces;  // workspaces[t] for the thread of slot t
  std::vector<ThreadTally> tallies;   // likewise
};

// Steps a batch of stateCount states in blocks of statesPerBlock on up to `threads` threads of
// the pool, one tally for each of the pool's threads: stepBlock(first, count, thread) steps
// states first .. first + count - 1 on the working data of slot `thread` and returns their
// status (its firstNotTaken counted from `first`); the batch's status, as one thread would give
// it. stepBlock must not throw. Allocates nothing.
template <class StepBlock>
BatchStepStatus StepBlocksOnThreads(ThreadPool& pool, std::vector<ThreadTally>& tallies,
                                    int stateCount, int statesPerBlock, int threads,
                                    const StepBlock& stepBlock) {
  struct Job {
    const StepBlock* step;
    ThreadTally* tallies;
    int stateCount, statesPerBlock;
  };
  Job job{&stepBlock, tallies.data(), stateCount, statesPerBlock};
  for (ThreadTally& tally : tallies) tally.status = BatchStepStatus{};
  const int blockCount = (stateCount + statesPerBlock - 1) / statesPerBlock;
  pool.Run(
      blockCount,
      [](void* context, int block, int thread) {
        const Job& j = *static_cast<const Job*>(context);
        const int first = block * j.statesPerBlock;
        const int count = std::min(j.statesPerBlock, j.stateCount - first);
        AddBlockStatus(j.tallies[thread].status, (*j.step)(first, count, thread), first);
      },
      &job, threads);
  BatchStepStatus status;
  for (const ThreadTally& tally : tallies) AddBlockStatus(status, tally.status, 0);
  return status;
}

}  // namespace pendula
