// The batch step of a run-time chain on threads gives every chain the bits, and the batch the
// status, that the single-threaded batch step gives, whatever the thread count (one, fewer or
// more threads than the pool has or than there are blocks, the default rule) and whatever the
// method: in lanes (Heun, Rk4 on the program's chain), chain by chain (a twisted 3-D chain), and
// Midpoint solves of which some do not converge, named chain by chain in its flags. No call
// allocates, and a ChainThreads made for another chain is refused.
#include "dynamics/batch/chain_threads.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "dynamics/batch/thread_pool.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/random_chain.h"

namespace pendula {
namespace {

using Values = std::vector<double>;

struct Batch {
  Values p, q, torques;
};

// Random states and per-chain torques; with `whips`, every third chain from chain 1 on moves so
// fast that a Midpoint solve of two iterations cannot resolve it, while the others hang almost
// still and converge.
Batch RandomBatch(int links, int count, bool whips) {
  std::mt19937 random(41);
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  const auto size = static_cast<std::size_t>(count) * links;
  Batch batch{Values(size), Values(size), Values(size)};
  for (int i = 0; i < count; ++i) {
    for (int k = 0; k < links; ++k) {
      const std::size_t at = static_cast<std::size_t>(i) * links + k;
      if (whips) {
        batch.p[at] = (i % 3 == 1 ? 50.0 : 0.01) * unit(random);
        batch.q[at] = (k == 0 ? -1.5707963 : 0.0) + 0.01 * unit(random);
        batch.torques[at] = 0.01 * unit(random);
      } else {
        batch.p[at] = 3.0 * unit(random);
        batch.q[at] = 3.14159 * unit(random);
        batch.torques[at] = 5.0 * unit(random);
      }
    }
  }
  return batch;
}

bool SameBits(const Values& a, const Values& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof a[0]) == 0;
}

struct Case {
  std::string name;
  Chain chain;
  StepMethod method;
  NewtonSettings newton;
};

Chain ExactProgramChain() {
  ChainDescription description = Chain::Program().description();
  description.trigonometry = Trigonometry::Exact;
  return Chain(description);
}

TEST(ChainThreads, EveryThreadCountGivesTheSingleThreadedBitsAndStatus) {
  const Case cases[] = {
      {"heun, program", Chain::Program(), StepMethod::Heun, {}},
      {"rk4, program", Chain::Program(), StepMethod::Rk4, {}},
      {"heun, twisted",
       Chain(testing::RandomChain(7, 5, false, Trigonometry::Exact)),
       StepMethod::Heun,
       {}},
      {"midpoint, two iterations", ExactProgramChain(), StepMethod::Midpoint, {1e-10, 2}},
  };
  constexpr int Steps = 2;
  constexpr double H = 0.012, Friction = 0.5;
  for (const Case& c : cases) {
    const int n = c.chain.linkCount();
    const bool whips = c.method == StepMethod::Midpoint;
    ChainWorkspace workspace(c.chain);
    ChainThreads onThreads(c.chain, 4);
    ASSERT_EQ(onThreads.ThreadCount(), 4);
    // 1 chain; a block of 16 and one more; 21 blocks of 16 and a part block of 5.
    for (const int count : {1, 17, 341}) {
      const std::string what = c.name + ", " + std::to_string(count) + " chains";
      Batch expected = RandomBatch(n, count, whips);
      const JointTorques torques{expected.torques.data(), true};
      BatchStepStatus expectedStatus[Steps];
      std::vector<std::uint8_t> expectedTaken(static_cast<std::size_t>(count) * Steps);
      for (int step = 0; step < Steps; ++step) {
        // Which chains a step takes, from each chain stepped alone.
        for (int i = 0; i < count; ++i) {
          const std::ptrdiff_t row = std::ptrdiff_t{i} * n, next = row + n;
          Values p(expected.p.begin() + row, expected.p.begin() + next);
          Values q(expected.q.begin() + row, expected.q.begin() + next);
          expectedTaken[static_cast<std::size_t>(step) * count + i] =
              Step(c.chain, workspace, p.data(), q.data(), H, c.method, Friction,
                   expected.torques.data() + row, c.newton)
                  .taken;
        }
        expectedStatus[step] = StepChains(c.chain, workspace, expected.p.data(), expected.q.data(),
                                          count, H, c.method, Friction, torques, c.newton);
      }
      if (whips && count > 1) {
        ASSERT_GT(expectedStatus[0].notTaken, 0) << what;
        ASSERT_LT(expectedStatus[0].notTaken, count) << what;
      }
      // 0 is the default rule; 64 threads are more than the pool has and than there are blocks.
      for (const int threads : {1, 2, 3, 4, 64, 0}) {
        Batch batch = RandomBatch(n, count, whips);
        std::vector<std::uint8_t> taken(static_cast<std::size_t>(count) * Steps, 2);
        BatchStepStatus status[Steps];
        const long long before = testing::AllocationCount();
        for (int step = 0; step < Steps; ++step) {
          status[step] = StepChains(c.chain, onThreads, batch.p.data(), batch.q.data(), count, H,
                                    c.method, Friction, JointTorques{batch.torques.data(), true},
                                    c.newton, threads, taken.data() + std::ptrdiff_t{step} * count);
        }
        EXPECT_EQ(testing::AllocationCount(), before) << what << ", " << threads << " threads";
        EXPECT_TRUE(SameBits(batch.p, expected.p)) << what << ", " << threads << " threads";
        EXPECT_TRUE(SameBits(batch.q, expected.q)) << what << ", " << threads << " threads";
        EXPECT_EQ(taken, expectedTaken) << what << ", " << threads << " threads";
        for (int step = 0; step < Steps; ++step) {
          EXPECT_EQ(status[step].notTaken, expectedStatus[step].notTaken) << what << threads;
          EXPECT_EQ(status[step].firstNotTaken, expectedStatus[step].firstNotTaken)
              << what << ", " << threads << " threads";
          EXPECT_EQ(status[step].evaluations, expectedStatus[step].evaluations)
              << what << ", " << threads << " threads";
        }
      }
    }
  }
}

// A ChainThreads holds workspaces for one shape and link count; bad arguments are refused before
// any thread starts on them.
TEST(ChainThreads, RefusesAnotherChainAndBadArguments) {
  const Chain program = Chain::Program();
  ChainThreads onThreads(program, 2);
  Batch batch = RandomBatch(20, 400, false);
  const Chain shorter(testing::RandomChain(3, 1, true));
  const Chain twisted(testing::RandomChain(20, 1, false));
  EXPECT_THROW(StepChains(shorter, onThreads, batch.p.data(), batch.q.data(), 400, 0.01),
               std::invalid_argument);
  EXPECT_THROW(StepChains(twisted, onThreads, batch.p.data(), batch.q.data(), 400, 0.01),
               std::invalid_argument);
  EXPECT_THROW(StepChains(program, onThreads, batch.p.data(), batch.q.data(), 400, -0.01),
               std::invalid_argument);
  EXPECT_THROW(StepChains(program, onThreads, batch.p.data(), batch.p.data() + 20, 400, 0.01),
               std::invalid_argument);
}

// The default rule: one thread below 10,240 link-evaluations for each, the pool's threads for a
// large batch; never more threads than blocks.
TEST(ChainThreads, DefaultRuleCountsTheWork) {
  const Chain program = Chain::Program();
  EXPECT_EQ(ThreadsForChainBatch(4, program, 511, StepMethod::Heun, 0), 1);
  EXPECT_EQ(ThreadsForChainBatch(4, program, 512, StepMethod::Heun, 0), 2);
  EXPECT_EQ(ThreadsForChainBatch(4, program, 256, StepMethod::Rk4, 0), 2);
  EXPECT_EQ(ThreadsForChainBatch(4, program, 100000, StepMethod::Heun, 0), 4);
  // 35 chains of 44 evaluations each: three threads' worth, in blocks of one chain.
  EXPECT_EQ(ThreadsForChainBatch(4, program, 35, StepMethod::Midpoint, 0), 3);
  EXPECT_EQ(ThreadsForChainBatch(4, program, 100, StepMethod::Heun, 64), 4);
  EXPECT_EQ(ThreadsForChainBatch(4, program, 17, StepMethod::Heun, 4), 2);
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
