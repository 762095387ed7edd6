// Per-link arrays of a link count known at run time: one X* per quantity, into one block sized
// once for the count. LinkArena hands the pointers their storage; LinkBytes counts it.
#pragma once

#include <cstddef>

namespace pendula {

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
