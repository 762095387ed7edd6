// The window and the OpenGL scene: every chain drawn as a row of lit boxes, seen from the camera.
#pragma once

#include "viewer/camera.h"
#include "viewer/scene_constants.h"

namespace pendula {

// Opens the double-buffered window with a depth buffer at screen position (0, 0) and sets the
// fixed OpenGL state of the whole run: white background, depth test, a dark grey material
// driven by the current colour and two directional lights. glutInit must have run.
void SetUpWindowAndScene(const char* title);

// Draws chain i in the plane z = ChainSpacing i as linksPerChain boxes; joint k of chain i turns
// by angles[linksPerChain i + k - 1] radians about +z from the direction of the link before it,
// through OpenGL's matrix stack (the page draws the same boxes from ComputeLinkPoses). Clears and
// sets both matrices itself; does not swap buffers.
void DrawScene(const double* angles, int chainCount, int linksPerChain, const Camera& camera,
               float aspectRatio);

// The aspect ratio after a reshape to width by height: width / height, or the previous ratio
// when the window has no area (a minimised window).
float ReshapedAspectRatio(int width, int height, float previousAspectRatio);

// Sets the viewport to the whole window and returns ReshapedAspectRatio.
float ReshapeViewport(int width, int height, float previousAspectRatio);

}  // namespace pendula
