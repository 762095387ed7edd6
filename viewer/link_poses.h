// Where every drawn link lies: what both front ends draw from, the desktop scene with OpenGL and
// the page with WebGL.
#pragma once

namespace pendula {

// One link in the plane of its chain: the position of its joint and the cosine and sine of its
// direction, four floats as a float texture's texel holds them.
struct LinkPose {
  float x, y;
  float cosine, sine;
};
static_assert(sizeof(LinkPose) == 4 * sizeof(float), "a pose is one RGBA texel");

// For chains 0 to chainCount - 1, chain-major: the direction of link k is θ = q1 + ... + qk,
// with qk = angles[linksPerChain i + k - 1]; joint 1 is at the origin and joint k + 1 at joint k
// plus DrawnLinkLength (cos θ, sin θ). Sums and products in doubles, rounded to float once.
void ComputeLinkPoses(const double* angles, int chainCount, int linksPerChain, LinkPose* poses);

}  // namespace pendula
