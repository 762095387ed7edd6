#include "viewer/link_poses.h"

#include <cmath>
#include <cstddef>

#include "viewer/scene_constants.h"

namespace pendula {

void ComputeLinkPoses(const double* angles, int chainCount, int linksPerChain, LinkPose* poses) {
  const std::ptrdiff_t links = static_cast<std::ptrdiff_t>(chainCount) * linksPerChain;
  double direction = 0.0, x = 0.0, y = 0.0;
  for (std::ptrdiff_t n = 0; n < links; ++n) {
    if (n % linksPerChain == 0) direction = x = y = 0.0;  // the next chain's base
    direction += angles[n];
    const double c = std::cos(direction), s = std::sin(direction);
    poses[n] = LinkPose{static_cast<float>(x), static_cast<float>(y), static_cast<float>(c),
                        static_cast<float>(s)};
    x += DrawnLinkLength * c;
    y += DrawnLinkLength * s;
  }
}

}  // namespace pendula
