#include "app/world.h"

#include <gtest/gtest.h>

#include <cstddef>

namespace pendula {
namespace {

TEST(InitialWorld, OnlyJoint1IsTurnedBy20RadiansPerChain) {
  static World world;  // too large for the test's stack
  for (auto& chain : world.angles)
    for (double& q : chain) q = 7.0;  // stale values that set-up must overwrite
  for (auto& chain : world.initialRates)
    for (double& r : chain) r = 7.0;

  SetInitialAnglesAndRates(world);

  for (int i = 0; i < ChainCount; ++i) {
    EXPECT_EQ(world.angles[i][0], 20.0 * i) << "chain " << i;
    for (int k = 1; k < JointsPerChain; ++k) EXPECT_EQ(world.angles[i][k], 0.0);
    for (int k = 0; k < JointsPerChain; ++k) EXPECT_EQ(world.initialRates[i][k], 0.0);
  }
  EXPECT_EQ(world.angles[0][0], 0.0);
  EXPECT_EQ(world.angles[1][0], 20.0);
  EXPECT_EQ(world.angles[99][0], 1980.0);
}

TEST(InitialWorld, IsChainMajorAndContiguous) {
  static World world;
  // Joint k of chain i is element 20 i + (k - 1) of the flat array.
  EXPECT_EQ(&world.angles[3][4], &world.angles[0][0] + std::ptrdiff_t{20} * 3 + 4);
  EXPECT_EQ(sizeof(world.angles), sizeof(double) * 2000);
}

}  // namespace
}  // namespace pendula
