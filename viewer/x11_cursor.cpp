#include "viewer/x11_cursor.h"

#include <GL/glut.h>
#include <GL/glx.h>
#include <X11/Xlib.h>

namespace pendula {
namespace {

// The connection and the root window, set once at start-up; the pointer is one device per
// display, so one process-wide record serves every call.
struct X11Pointer {
  Display* display = nullptr;
  Window root = 0;
  ScreenPoint lastMovedTo{0, 0};  // the answer of readPosition when there is no display
};
X11Pointer pointer;

ScreenPoint ReadRootPointer() {
  if (pointer.display == nullptr) return pointer.lastMovedTo;
  Window rootReturn = 0;
  Window childReturn = 0;
  int rootX = 0;
  int rootY = 0;
  int windowX = 0;
  int windowY = 0;
  unsigned int buttons = 0;
  XQueryPointer(pointer.display, pointer.root, &rootReturn, &childReturn, &rootX, &rootY, &windowX,
                &windowY, &buttons);
  return ScreenPoint{rootX, rootY};
}

void WarpRootPointer(ScreenPoint point) {
  pointer.lastMovedTo = point;
  if (pointer.display == nullptr) return;
  XWarpPointer(pointer.display, None, pointer.root, 0, 0, 0, 0, point.x, point.y);
  // The warp must reach the server before the next query, not whenever GLUT next flushes.
  XFlush(pointer.display);
}

void SetGlutCursorVisible(bool visible) {
  glutSetCursor(visible ? GLUT_CURSOR_INHERIT : GLUT_CURSOR_NONE);
}

}  // namespace

CursorServices OpenX11CursorServices() {
  if (pointer.display == nullptr) {
    pointer.display = glXGetCurrentDisplay();
    if (pointer.display == nullptr) pointer.display = XOpenDisplay(nullptr);
    if (pointer.display != nullptr) pointer.root = DefaultRootWindow(pointer.display);
  }
  return CursorServices{ReadRootPointer, WarpRootPointer, SetGlutCursorVisible};
}

}  // namespace pendula
