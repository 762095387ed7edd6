#include "tests/support/x_display.h"

#include <X11/Xlib.h>

#include <cstdlib>

namespace pendula {
namespace testing {

bool XDisplayReachable() {
  if (std::getenv("DISPLAY") == nullptr) return false;
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) return false;
  XCloseDisplay(display);
  return true;
}

}  // namespace testing
}  // namespace pendula
