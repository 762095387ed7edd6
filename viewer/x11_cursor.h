// The cursor services of an X11 display: the pointer on the root window, hidden and shown
// through GLUT's cursor of the current window.
#pragma once

#include "viewer/cursor.h"

namespace pendula {

// Connects the services to the display of the current GLX context, which is GLUT's own
// connection (so a -display option given to glutInit is honoured), or to the default display if
// no context is current. Call once at start-up, after the window is created; later calls reuse
// the connection. If no display can be reached the pointer stays wherever it was last moved
// (initially the origin), so mouse look stays still instead of spinning.
CursorServices OpenX11CursorServices();

}  // namespace pendula
