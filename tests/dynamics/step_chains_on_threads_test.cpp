// The batch on a pool of threads gives every chain the bits that the single-threaded batch gives
// it, whatever the thread count: one thread, the pool's, fewer or more threads than blocks, a
// part block at the end, the default rule; the pool is reused from call to call and a call
// allocates nothing. The pool tells each task the slot of the thread that runs it.
#include "dynamics/step_chains_on_threads.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "tests/dynamics/chain_fixture.h"
#include "tests/support/allocation_counter.h"

namespace pendula {
namespace {

constexpr int Links = 20;
// 21 blocks of 16 and a last one of 5: more blocks than threads, and a part block.
constexpr int Chains = 341;

struct Batch {
  std::vector<double> p, q;
  explicit Batch(int count)
      : p(static_cast<std::size_t>(count) * Links), q(static_cast<std::size_t>(count) * Links) {}
  double (*Momenta())[Links] { return reinterpret_cast<double(*)[Links]>(p.data()); }
  double (*Angles())[Links] { return reinterpret_cast<double(*)[Links]>(q.data()); }
};

Batch RandomBatch(int count) {
  std::mt19937 random(21);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  Batch batch(count);
  for (double& p : batch.p) p = 5.0 * unit(random);
  for (double& q : batch.q) q = 3.14159 * unit(random);
  return batch;
}

bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0;
}

TEST(StepChainsOnThreads, EveryThreadCountGivesTheSingleThreadedBits) {
  const ChainModel<Links> model = testing::TestChainModel<Links>();
  const JointTorqueSettings settings{5.0, 100.0};
  constexpr int Steps = 3;
  ThreadPool pool(4);
  ASSERT_EQ(pool.ThreadCount(), 4);
  for (int count : {1, 17, Chains}) {
    Batch expected = RandomBatch(count);
    for (int step = 0; step < Steps; ++step) {
      StepChains(model, settings, expected.Momenta(), expected.Angles(), count);
    }
    // 0 is the default rule; 64 threads are more than the pool has and than there are blocks.
    for (int threads : {1, 2, 3, 4, 64, 0}) {
      Batch batch = RandomBatch(count);
      const long long before = testing::AllocationCount();
      for (int step = 0; step < Steps; ++step) {
        StepChainsOnThreads(pool, model, settings, batch.Momenta(), batch.Angles(), count, threads);
      }
      EXPECT_EQ(testing::AllocationCount(), before) << threads << " threads, " << count;
      EXPECT_TRUE(SameBits(batch.p, expected.p)) << threads << " threads, " << count << " chains";
      EXPECT_TRUE(SameBits(batch.q, expected.q)) << threads << " threads, " << count << " chains";
    }
  }
  // The default rule: one thread for a small batch, every thread for a large one.
  EXPECT_EQ(ThreadsForBatch(pool, 100, 0), 1);
  EXPECT_EQ(ThreadsForBatch(pool, 100000, 0), 4);
  EXPECT_EQ(ThreadsForBatch(pool, 100, 64), 4);
}

// Slots are 0 for the caller of Run and below the job's thread count for every task, so that
// working data indexed by slot is enough for any job.
TEST(ThreadPool, TasksRunOnSlotsBelowTheThreadsOfTheirJob) {
  ThreadPool pool(4);
  for (int threads : {1, 3, 4}) {
    std::vector<int> slots(64, -1);
    pool.Run(
        64,
        [](void* context, int index, int thread) {
          (*static_cast<std::vector<int>*>(context))[static_cast<std::size_t>(index)] = thread;
        },
        &slots, threads);
    for (int slot : slots) {
      EXPECT_GE(slot, 0) << threads << " threads";
      EXPECT_LT(slot, threads) << threads << " threads";
    }
  }
}

}  // namespace
}  // namespace pendula
