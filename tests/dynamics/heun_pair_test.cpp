// Tests of HeunStepPair: each chain of a pair must end bit for bit where HeunStep takes it,
// whatever the other chain holds, for every drive setting, and for a model outside the in-plane
// shape too; and the pair step allocates nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "dynamics/chain_model.h"
#include "dynamics/dynamics.h"
#include "tests/support/allocation_counter.h"

namespace pendula {
namespace {

using Joints = double[20];

struct Chain {
  Joints p, q;
};

class HeunStepPairTest : public ::testing::Test {
 protected:
  void SetUp() override { setUpModel(0.012); }
  void TearDown() override { setUpModel(0.012); }
};

Chain RandomChain(std::mt19937& random, double angleScale) {
  std::uniform_real_distribution<double> unit(-1.0, 1.0);
  Chain chain;
  for (int k = 0; k < 20; ++k) {
    chain.p[k] = 5.0 * unit(random);
    chain.q[k] = angleScale * unit(random);
  }
  return chain;
}

bool SameBits(const Chain& x, const Chain& y) {
  return std::memcmp(x.p, y.p, sizeof x.p) == 0 && std::memcmp(x.q, y.q, sizeof x.q) == 0;
}

// Steps copies of a and b alone and as a pair, `steps` times, and compares every bit.
void ExpectPairEqualsSingles(const Chain& a, const Chain& b, double friction, double torque,
                             int steps) {
  Chain singleA = a, singleB = b, pairA = a, pairB = b;
  for (int n = 0; n < steps; ++n) {
    HeunStep(singleA.p, singleA.q, friction, torque);
    HeunStep(singleB.p, singleB.q, friction, torque);
    HeunStepPair(pairA.p, pairA.q, pairB.p, pairB.q, friction, torque);
  }
  EXPECT_TRUE(SameBits(pairA, singleA)) << "chain A, b = " << friction << ", tau = " << torque;
  EXPECT_TRUE(SameBits(pairB, singleB)) << "chain B, b = " << friction << ", tau = " << torque;
}

TEST_F(HeunStepPairTest, EachChainEndsWhereItsOwnStepTakesIt) {
  std::mt19937 random(71);
  for (double friction : {5.0, 1.0, 0.0}) {
    for (double torque : {-100.0, 0.0, 100.0}) {
      for (int n = 0; n < 4; ++n) {
        // Angles within a turn and of many turns, as the program's chains have.
        const Chain a = RandomChain(random, 3.2), b = RandomChain(random, 2000.0);
        ExpectPairEqualsSingles(a, b, friction, torque, 25);
      }
    }
  }
}

TEST_F(HeunStepPairTest, RestAndSignedZerosComeOutAsFromSingleSteps) {
  Chain rest{}, negativeZeros;
  for (int k = 0; k < 20; ++k) negativeZeros.p[k] = negativeZeros.q[k] = -0.0;
  ExpectPairEqualsSingles(rest, negativeZeros, 5.0, 0.0, 1);
  ExpectPairEqualsSingles(negativeZeros, rest, 0.0, 100.0, 3);
}

TEST_F(HeunStepPairTest, ANonFiniteChainLeavesItsPartnerAlone) {
  std::mt19937 random(73);
  const Chain healthy = RandomChain(random, 3.2);
  for (double bad : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(), -1e300}) {
    Chain sick = RandomChain(random, 3.2);
    sick.q[4] = bad;
    sick.p[9] = bad;
    ExpectPairEqualsSingles(sick, healthy, 5.0, 0.0, 5);
    ExpectPairEqualsSingles(healthy, sick, 5.0, 0.0, 5);
  }
}

// A model outside the in-plane shape is stepped by the general evaluation, one chain at a time.
TEST_F(HeunStepPairTest, AModelOutsideThePlaneIsSteppedChainByChain) {
  for (LinkParameters& link : chainModel.links) {
    link.sinAlpha = std::sin(0.2);
    link.cosAlpha = std::cos(0.2);
  }
  chainModel.shape = ClassifyChainModel(chainModel);
  ASSERT_EQ(chainModel.shape, ModelShape::General);
  std::mt19937 random(79);
  ExpectPairEqualsSingles(RandomChain(random, 3.2), RandomChain(random, 3.2), 5.0, 100.0, 5);
}

TEST_F(HeunStepPairTest, AllocatesNothing) {
  Chain a{}, b{};
  b.q[0] = 1.0;
  const long long before = testing::AllocationCount();
  for (int n = 0; n < 10; ++n) HeunStepPair(a.p, a.q, b.p, b.q, 5.0, 0.0);
  EXPECT_EQ(testing::AllocationCount(), before);
}

}  // namespace
}  // namespace pendula
