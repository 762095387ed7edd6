// Per-link arrays of a fixed or a run-time link count, written once for both: PerLink<X, N> is
// X[N] for a count N fixed at compile time and X* into storage sized once for the run-time count
// (N = DynamicLinkCount). The stages index both alike; LinkArena hands the pointers their storage.
#pragma once

#include <cstddef>

namespace pendula {

// The link count of a model whose count is known at run time only.
constexpr int DynamicLinkCount = 0;

template <typename X, int N>
struct PerLinkStorage {
  using Type = X[N];
};
template <typename X>
struct PerLinkStorage<X, DynamicLinkCount> {
  using Type = X*;
};
// One X per link: an array of N, or a pointer to `links` of them.
template <typename X, int N>
using PerLink = typename PerLinkStorage<X, N>::Type;

// Carves per-link arrays of `links` elements each, one after another at the alignment of each
// element type, out of one block of at least the bytes LinkBytes counts for them. The block is
// zeroed by whoever makes it, so every array starts as zeros.
struct LinkArena {
  unsigned char* block;
  int links;
  std::size_t used = 0;

  // The greatest alignment any array asks for (a pack of 8 doubles); the block must have it.
  static constexpr std::size_t Alignment = 64;

  // The offset of the next array of X after `used` bytes.
  template <typename X>
  static std::size_t OffsetOf(std::size_t used) {
    static_assert(alignof(X) <= Alignment, "the block's alignment serves every element type");
    return (used + alignof(X) - 1) / alignof(X) * alignof(X);
  }

  template <typename X>
  void operator()(X*& array) {
    used = OffsetOf<X>(used);
    array = reinterpret_cast<X*>(block + used);
    used += sizeof(X) * static_cast<std::size_t>(links);
  }
};

// The bytes of the arrays that LinkArena carves, counted without a block; the arrays are left
// alone.
struct LinkBytes {
  int links;
  std::size_t used = 0;

  template <typename X>
  void operator()(X*&) {
    used = LinkArena::OffsetOf<X>(used) + sizeof(X) * static_cast<std::size_t>(links);
  }
};

}  // namespace pendula
