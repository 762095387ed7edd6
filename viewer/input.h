// What the user does while the simulation runs: keys move the camera, change the drive settings,
// toggle mouse look and quit; mouse look turns the camera by the pointer's offset from a fixed
// screen point.
#pragma once

#include <ostream>

#include "viewer/camera.h"
#include "viewer/cursor.h"
#include "viewer/drive_settings.h"
#include "viewer/keys.h"

namespace pendula {

constexpr int MouseLookOff = 1;
constexpr int MouseLookOn = -1;

struct MouseLook {
  int flag;  // MouseLookOff or MouseLookOn; Insert negates it
};

constexpr MouseLook InitialMouseLook() {
  return MouseLook{MouseLookOff};
}

// The screen point that mouse look measures from and puts the pointer back to; a fixed screen
// position, whatever the window's place and size.
constexpr ScreenPoint MouseLookCentre{200, 200};

// Radians of turn per pixel of pointer offset.
constexpr double MouseLookGain = 0.005;

// One key, one effect:
//   Up/Down     eye ± f, the forward vector, pitch included
//   Left/Right  eye ± l = (cos yaw, 0, -sin yaw), height unchanged
//   F1          friction 5 -> 0 -> 1 -> 5, then "friction coefficient = <b>" on out
//   F4          std::exit(0)
//   F8/F9/F10   applied torque -100 / 0 / 100
//   Insert      toggle mouse look and move the pointer to MouseLookCentre
// Any other key does nothing.
void HandleKey(Key key, Camera& camera, DriveSettings& settings, MouseLook& mouseLook,
               Cursor& cursor, std::ostream& out);

// One mouse-look step, run at the end of every idle pass. Off: the pointer is shown. On: the
// pointer is hidden and, at (px, py) outside the one-pixel dead zone around (200, 200),
//   yaw = yaw - (px - 200) * 0.005,   pitch = (py - 200) * 0.005 + pitch,
// and the pointer goes back to (200, 200).
void MouseLookStep(Camera& camera, const MouseLook& mouseLook, Cursor& cursor);

}  // namespace pendula
