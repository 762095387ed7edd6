#include "dynamics/batch/batch_blocks.h"

#include <thread>

namespace pendula {

long long EvaluationsPerStep(StepMethod method, int size) {
  switch (method) {
    case StepMethod::Heun:
      return 2;
    case StepMethod::Rk4:
      return 4;
    case StepMethod::Midpoint:
      return 2LL * size + 4;
  }
  return 2;
}

int CoreCount() {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores > 0 ? static_cast<int>(cores) : 1;
}

int ThreadsForBatch(int poolThreads, int stateCount, int size, StepMethod method, int unit,
                    int threads) {
  long long used = poolThreads > 1 ? poolThreads : 1;
  if (threads > 0 && threads < used) used = threads;
  if (threads <= 0) {
    const long long work =
        static_cast<long long>(stateCount) * size * EvaluationsPerStep(method, size);
    const long long worthIt = work / MinimumLinkEvaluationsPerThread;
    if (used > worthIt) used = worthIt;
  }
  const long long blocks = (static_cast<long long>(stateCount) + unit - 1) / unit;
  if (used > blocks) used = blocks;
  return used > 1 ? static_cast<int>(used) : 1;
}

int StatesPerBlock(int stateCount, int threads, int unit) {
  const long long share =
      (static_cast<long long>(stateCount) + 4LL * threads - 1) / (4LL * threads);
  const long long units = (share + unit - 1) / unit;
  return static_cast<int>((units > 0 ? units : 1) * unit);
}

void AddBlockStatus(BatchStepStatus& into, const BatchStepStatus& block, int first) {
  into.evaluations += block.evaluations;
  if (block.notTaken == 0) return;
  const int firstNotTaken = first + block.firstNotTaken;
  if (into.notTaken == 0 || firstNotTaken < into.firstNotTaken) into.firstNotTaken = firstNotTaken;
  into.notTaken += block.notTaken;
}

}  // namespace pendula
