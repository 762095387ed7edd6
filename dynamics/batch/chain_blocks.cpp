#include "dynamics/batch/chain_blocks.h"

namespace pendula {

int ChainsPerBlock(int chainCount, int threads, int unit) {
  const long long share =
      (static_cast<long long>(chainCount) + 4LL * threads - 1) / (4LL * threads);
  const long long units = (share + unit - 1) / unit;
  return static_cast<int>((units > 0 ? units : 1) * unit);
}

}  // namespace pendula
