#include "viewer/input.h"

#include <cmath>
#include <cstdlib>

namespace pendula {
namespace {

// Pointer offsets of at most this many pixels on both axes are jitter, not a turn.
constexpr double MouseLookDeadZone = 1.0;

// 5 -> 0 -> 1 -> 5. The setting only ever holds these three values, so exact comparison is
// the right test; anything else is left as it is.
double NextFriction(double friction) {
  if (friction == FrictionNone) return FrictionLow;
  if (friction == FrictionHigh) return FrictionNone;
  if (friction == FrictionLow) return FrictionHigh;
  return friction;
}

void MoveAlong(Camera& camera, const Vector3& direction, double distance) {
  camera.x += distance * direction.x;
  camera.y += distance * direction.y;
  camera.z += distance * direction.z;
}

}  // namespace

void HandleKey(Key key, Camera& camera, DriveSettings& settings, MouseLook& mouseLook,
               Cursor& cursor, std::ostream& out) {
  switch (key) {
    case Key::Up:
      MoveAlong(camera, ForwardVector(camera), 1.0);
      break;
    case Key::Down:
      MoveAlong(camera, ForwardVector(camera), -1.0);
      break;
    case Key::Left: {
      // The left vector has no height: leave y alone rather than add a zero to it.
      const Vector3 left = LeftVector(camera);
      camera.x += left.x;
      camera.z += left.z;
      break;
    }
    case Key::Right: {
      const Vector3 left = LeftVector(camera);
      camera.x -= left.x;
      camera.z -= left.z;
      break;
    }
    case Key::F1:
      settings.frictionCoefficient = NextFriction(settings.frictionCoefficient);
      out << "friction coefficient = " << settings.frictionCoefficient << '\n' << std::flush;
      break;
    case Key::F4:
      // The normal exit processing flushes standard output.
      std::exit(0);
    case Key::F8:
      settings.appliedTorque = TorqueClockwise;
      break;
    case Key::F9:
      settings.appliedTorque = TorqueNone;
      break;
    case Key::F10:
      settings.appliedTorque = TorqueCounterClockwise;
      break;
    case Key::Insert:
      mouseLook.flag = -mouseLook.flag;
      // Mouse look switched on starts from the reference point, without a jump.
      MovePointer(cursor, MouseLookCentre);
      break;
    case Key::Other:
      break;
  }
}

void MouseLookStep(Camera& camera, const MouseLook& mouseLook, Cursor& cursor) {
  if (mouseLook.flag != MouseLookOn) {
    SetPointerVisible(cursor, true);
    return;
  }
  SetPointerVisible(cursor, false);
  const ScreenPoint pointer = PointerPosition(cursor);
  // Offsets in doubles: exact for every int, and no integer overflow to worry about.
  const double dx = static_cast<double>(pointer.x) - static_cast<double>(MouseLookCentre.x);
  const double dy = static_cast<double>(pointer.y) - static_cast<double>(MouseLookCentre.y);
  if (std::fabs(dx) <= MouseLookDeadZone && std::fabs(dy) <= MouseLookDeadZone) return;
  // Pointer right turns the view right; pointer down tilts it down.
  camera.yaw = camera.yaw - dx * MouseLookGain;
  camera.pitch = dy * MouseLookGain + camera.pitch;
  MovePointer(cursor, MouseLookCentre);
}

}  // namespace pendula
