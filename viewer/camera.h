// The viewer's camera: an eye position and a heading (yaw) and elevation (pitch) in radians.
#pragma once

namespace pendula {

// Converts radians to degrees for glRotatef; its inverse gives the initial yaw.
constexpr double DegreesPerRadian = 57.29577951308232;

struct Camera {
  double x, y, z;  // eye position in world coordinates
  double yaw;      // heading about +y; yaw pi looks along -z
  double pitch;    // elevation; positive looks down
};

struct Vector3 {
  double x, y, z;
};

// The camera the program starts with: eye (0, -1, 35), yaw 180 degrees, pitch 0.
Camera InitialCamera();

// f = (cos(pitch) sin(yaw), -sin(pitch), cos(pitch) cos(yaw)): the unit viewing direction.
Vector3 ForwardVector(const Camera& camera);

// l = (cos(yaw), 0, -sin(yaw)): horizontal, perpendicular to the viewing direction.
Vector3 LeftVector(const Camera& camera);

// The point that gluLookAt aims at: the eye plus 100 times the forward vector.
Vector3 LookAtCentre(const Camera& camera);

}  // namespace pendula
