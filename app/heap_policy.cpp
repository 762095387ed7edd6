#include "app/heap_policy.h"

#include <malloc.h>

namespace pendula {

// glibc's default threshold; setting it explicitly is what turns the adjustment off.
constexpr int LargeBlockBytes = 128 * 1024;

void ReturnLargeBlocksToTheSystem() {
  mallopt(M_MMAP_THRESHOLD, LargeBlockBytes);
}

}  // namespace pendula
