// How a batch of chains is cut into blocks for the threads of a ThreadPool: blocks of whole
// units, about four for each thread, so that a thread slowed by others' work on its core leaves
// its remaining blocks to the rest.
#pragma once

namespace pendula {

// Blocks of a batch that goes side by side in lanes are whole multiples of this many chains, a
// multiple of every pack width, so that no pack but the batch's last is part empty, however
// many threads share the batch.
constexpr int ChainsPerBlockUnit = 16;

// Chains in each block of a batch of chainCount chains for `threads` threads: about a quarter of
// a thread's share, rounded up to a whole number of `unit` chains (at least one unit).
int ChainsPerBlock(int chainCount, int threads, int unit = ChainsPerBlockUnit);

}  // namespace pendula
