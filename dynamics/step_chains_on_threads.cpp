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

}  // namespace pendula
