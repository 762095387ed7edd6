#include "viewer/camera.h"

#include <cmath>

namespace pendula {

// How far ahead of the eye the look-at point lies; any positive distance gives the same view.
constexpr double LookAtDistance = 100.0;

Camera InitialCamera() {
  return Camera{0.0, -1.0, 35.0, 180 / DegreesPerRadian, 0.0};
}

Vector3 ForwardVector(const Camera& camera) {
  return Vector3{std::cos(camera.pitch) * std::sin(camera.yaw), -std::sin(camera.pitch),
                 std::cos(camera.pitch) * std::cos(camera.yaw)};
}

Vector3 LeftVector(const Camera& camera) {
  return Vector3{std::cos(camera.yaw), 0.0, -std::sin(camera.yaw)};
}

Vector3 LookAtCentre(const Camera& camera) {
  return Vector3{camera.x + LookAtDistance * std::cos(camera.pitch) * std::sin(camera.yaw),
                 camera.y - LookAtDistance * std::sin(camera.pitch),
                 camera.z + LookAtDistance * std::cos(camera.pitch) * std::cos(camera.yaw)};
}

}  // namespace pendula
