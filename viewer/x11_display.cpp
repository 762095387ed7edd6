#include "viewer/x11_display.h"

#include <X11/Xlib.h>

#include <cstring>

namespace pendula {
namespace {

// The connection that HoldDisplayOpen holds until the toolkit has its own.
Display* heldDisplay = nullptr;

void DescribeEnvironmentDisplay(const char* environmentDisplay, std::ostream& err) {
  if (environmentDisplay == nullptr) {
    err << "DISPLAY is not set";
  } else if (*environmentDisplay == '\0') {
    err << "DISPLAY is empty";
  } else {
    err << "DISPLAY is \"" << environmentDisplay << '"';
  }
}

}  // namespace

const char* ToolkitDisplayName(int argc, const char* const* argv) {
  const char* name = nullptr;
  // As glutInit reads it: every "-display" takes the next argument as its value, the last wins.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-display") != 0) continue;
    if (i + 1 >= argc) return nullptr;
    name = argv[++i];
  }
  return name;
}

bool HoldDisplayOpen(const char* displayName) {
  if (heldDisplay == nullptr) heldDisplay = XOpenDisplay(displayName);
  return heldDisplay != nullptr;
}

void ReleaseHeldDisplay() {
  if (heldDisplay != nullptr) XCloseDisplay(heldDisplay);
  heldDisplay = nullptr;
}

void ExplainUnopenableDisplay(const char* program, const char* optionDisplay,
                              const char* environmentDisplay, bool inBuildTree, std::ostream& err) {
  err << program << ": ";
  if (optionDisplay != nullptr) {
    err << "cannot open the X display \"" << optionDisplay << "\" given with -display (";
    DescribeEnvironmentDisplay(environmentDisplay, err);
    err << ')';
  } else if (environmentDisplay != nullptr && *environmentDisplay != '\0') {
    err << "cannot open the X display \"" << environmentDisplay << "\" that DISPLAY names";
  } else {
    err << "no X display to open the window on: ";
    DescribeEnvironmentDisplay(environmentDisplay, err);
  }
  err << ". To run without a display: ";
  if (inBuildTree) {
    err << "scripts/demo.sh (it starts a virtual X server when no display can be opened), or ";
  }
  err << "xvfb-run -a " << program << '\n' << std::flush;
}

}  // namespace pendula
