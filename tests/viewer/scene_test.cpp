#include "viewer/scene.h"

#include <gtest/gtest.h>

#include <cmath>

#include "viewer/camera.h"

namespace pendula {
namespace {

// The forward vector is built from sin(pi) and cos(pi), exact only to rounding.
constexpr double RoundingOfPi = 1e-15;

TEST(InitialCamera, LooksAlongMinusZFromInFrontOfTheChains) {
  const Camera camera = InitialCamera();
  EXPECT_EQ(camera.x, 0.0);
  EXPECT_EQ(camera.y, -1.0);
  EXPECT_EQ(camera.z, 35.0);
  EXPECT_NEAR(camera.yaw, M_PI, RoundingOfPi);
  EXPECT_EQ(camera.pitch, 0.0);

  const Vector3 f = ForwardVector(camera);
  EXPECT_NEAR(f.x, 0.0, RoundingOfPi);
  EXPECT_EQ(f.y, 0.0);
  EXPECT_NEAR(f.z, -1.0, RoundingOfPi);

  // The look-at point is 100 ahead of the eye: (0, -1, -65).
  const Vector3 centre = LookAtCentre(camera);
  EXPECT_NEAR(centre.x, 0.0, 100 * RoundingOfPi);
  EXPECT_EQ(centre.y, -1.0);
  EXPECT_NEAR(centre.z, -65.0, 100 * RoundingOfPi);

  // Left is -x when looking along -z.
  const Vector3 l = LeftVector(camera);
  EXPECT_NEAR(l.x, -1.0, RoundingOfPi);
  EXPECT_EQ(l.y, 0.0);
  EXPECT_NEAR(l.z, 0.0, RoundingOfPi);
}

TEST(InitialCamera, ForwardIsAUnitVectorForAnyHeading) {
  for (double yaw : {-7.0, -1.0, 0.3, 2.0, 100.0}) {
    for (double pitch : {-3.0, -1.5, 0.0, 0.7, 1.6}) {
      const Vector3 f = ForwardVector(Camera{0, 0, 0, yaw, pitch});
      EXPECT_NEAR(f.x * f.x + f.y * f.y + f.z * f.z, 1.0, 1e-15);
      const Vector3 l = LeftVector(Camera{0, 0, 0, yaw, pitch});
      EXPECT_NEAR(f.x * l.x + f.y * l.y + f.z * l.z, 0.0, 1e-15) << "left is not perpendicular";
    }
  }
}

TEST(Reshape, AspectRatioIsWidthOverHeight) {
  EXPECT_EQ(ReshapedAspectRatio(800, 400, 1.0f), 2.0f);
  EXPECT_EQ(ReshapedAspectRatio(400, 400, 2.0f), 1.0f);
  EXPECT_EQ(ReshapedAspectRatio(300, 400, 1.0f), 0.75f);
}

TEST(Reshape, ZeroHeightKeepsThePreviousRatioInsteadOfDividingByZero) {
  EXPECT_EQ(ReshapedAspectRatio(800, 0, 2.0f), 2.0f);
  EXPECT_EQ(ReshapedAspectRatio(0, 0, 1.5f), 1.5f);
  EXPECT_TRUE(std::isfinite(ReshapedAspectRatio(1, 0, 1.0f)));
}

TEST(Reshape, ZeroWidthKeepsThePreviousRatioSoTheProjectionStaysFinite) {
  EXPECT_EQ(ReshapedAspectRatio(0, 400, 1.25f), 1.25f);
}

}  // namespace
}  // namespace pendula
