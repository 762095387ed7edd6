#include "dynamics/step_chains_on_threads.h"

namespace pendula {

int ThreadsForBatch(const ThreadPool& pool, int chainCount, int threads) {
  int used = threads > 0 && threads < pool.ThreadCount() ? threads : pool.ThreadCount();
  if (threads <= 0) {
    const int worthIt = chainCount / MinimumChainsPerThread;
    if (used > worthIt) used = worthIt;
  }
  return used > 1 ? used : 1;
}

namespace detail {

int ChainsPerBlock(int chainCount, int threads) {
  const long long share =
      (static_cast<long long>(chainCount) + 4LL * threads - 1) / (4LL * threads);
  const long long units = (share + ChainsPerBlockUnit - 1) / ChainsPerBlockUnit;
  return static_cast<int>((units > 0 ? units : 1) * ChainsPerBlockUnit);
}

}  // namespace detail
}  // namespace pendula
