// A zeroed block of memory aligned for every per-link array (LinkArena::Alignment), which a
// workspace owns and frees.
#pragma once

#include <cstddef>
#include <memory>

namespace pendula {

struct AlignedBlockFree {
  void operator()(unsigned char* block) const;
};
using AlignedBlock = std::unique_ptr<unsigned char[], AlignedBlockFree>;
AlignedBlock MakeAlignedBlock(std::size_t bytes);

}  // namespace pendula
