#include "viewer/link_poses.h"

#include <gtest/gtest.h>

namespace pendula {
namespace {

constexpr double kHalfPi = 1.5707963267948966;

// Quarter turns, where every joint lands on a multiple of the drawn length: each link's
// direction is the sum of the angles up to it, and each chain starts again at the origin.
TEST(LinkPoses, QuarterTurnsWalkASquareChainByChain) {
  const double angles[2][4] = {{0.0, kHalfPi, kHalfPi, kHalfPi}, {kHalfPi, 0.0, -kHalfPi, 0.0}};
  LinkPose poses[2][4];
  ComputeLinkPoses(&angles[0][0], 2, 4, &poses[0][0]);
  // Joints of chain 0 at (0, 0), (0.5, 0), (0.5, 0.5), (0, 0.5), links along +x, +y, -x, -y;
  // chain 1 goes up twice, then right.
  const float expected[2][4][4] = {{{0.0f, 0.0f, 1.0f, 0.0f},
                                    {0.5f, 0.0f, 0.0f, 1.0f},
                                    {0.5f, 0.5f, -1.0f, 0.0f},
                                    {0.0f, 0.5f, 0.0f, -1.0f}},
                                   {{0.0f, 0.0f, 0.0f, 1.0f},
                                    {0.0f, 0.5f, 0.0f, 1.0f},
                                    {0.0f, 1.0f, 1.0f, 0.0f},
                                    {0.5f, 1.0f, 1.0f, 0.0f}}};
  constexpr float kRounding = 1e-7f;  // cos(pi/2) in doubles is 6e-17, not zero
  for (int i = 0; i < 2; ++i) {
    for (int k = 0; k < 4; ++k) {
      const LinkPose& p = poses[i][k];
      const float(&e)[4] = expected[i][k];
      EXPECT_NEAR(p.x, e[0], kRounding) << "chain " << i << " link " << k + 1;
      EXPECT_NEAR(p.y, e[1], kRounding) << "chain " << i << " link " << k + 1;
      EXPECT_NEAR(p.cosine, e[2], kRounding) << "chain " << i << " link " << k + 1;
      EXPECT_NEAR(p.sine, e[3], kRounding) << "chain " << i << " link " << k + 1;
    }
  }
}

}  // namespace
}  // namespace pendula
