// The pointer seen through the platform's cursor services, in screen pixels with the origin at
// the top-left corner of the screen and y growing downwards.
#pragma once

namespace pendula {

struct ScreenPoint {
  int x, y;
};

// The platform's cursor services. A plain record of function pointers rather than a class with
// virtual operations: the pointer is one process-wide device, so the services need no object of
// their own, and a test swaps in substitutes by filling the record with its own functions.
struct CursorServices {
  ScreenPoint (*readPosition)();      // where the pointer is now
  void (*moveTo)(ScreenPoint point);  // warp the pointer to a screen point
  void (*setVisible)(bool visible);   // show or hide the pointer
};

enum class PointerVisibility { NotYetRequested, Shown, Hidden };

// The services plus the visibility last requested of them, so that a caller may ask for the
// same visibility on every idle pass while the platform hears only the changes.
struct Cursor {
  CursorServices services;
  PointerVisibility requested;
};

// A cursor over the given services that has requested no visibility yet.
Cursor MakeCursor(const CursorServices& services);

// Asks the platform to show or hide the pointer, unless that is already the requested state.
void SetPointerVisible(Cursor& cursor, bool visible);

// The pointer's screen position.
ScreenPoint PointerPosition(const Cursor& cursor);

// Moves the pointer to a screen point.
void MovePointer(const Cursor& cursor, ScreenPoint point);

}  // namespace pendula
