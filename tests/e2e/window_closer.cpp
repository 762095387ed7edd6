// Closes a window as a window manager's close button does, for the end-to-end tests:
//
//   window_closer WINDOW_ID
//
// A window manager sends WM_DELETE_WINDOW only to a window that lists it among its WM_PROTOCOLS
// (it kills the client of any other), so this fails when the window does not, and otherwise
// sends the client message that a manager sends.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <iostream>

namespace {

bool ListsProtocol(Display* display, Window window, Atom protocol) {
  Atom* protocols = nullptr;
  int count = 0;
  if (XGetWMProtocols(display, window, &protocols, &count) == 0) return false;
  bool listed = false;
  for (int i = 0; i < count; ++i) listed = listed || protocols[i] == protocol;
  XFree(protocols);
  return listed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: window_closer WINDOW_ID\n";
    return 2;
  }
  const Window window = std::strtoul(argv[1], nullptr, 0);
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::cerr << "window_closer: cannot open display\n";
    return 1;
  }
  const Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  if (!ListsProtocol(display, window, deleteWindow)) {
    std::cerr << "window_closer: the window does not list WM_DELETE_WINDOW in WM_PROTOCOLS\n";
    return 1;
  }
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(deleteWindow);
  event.xclient.data.l[1] = CurrentTime;
  const bool sent = XSendEvent(display, window, False, NoEventMask, &event) != 0;
  XCloseDisplay(display);  // flushes the request
  if (!sent) std::cerr << "window_closer: the message could not be sent\n";
  return sent ? 0 : 1;
}
