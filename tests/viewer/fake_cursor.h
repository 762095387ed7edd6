// A stand-in for the platform cursor: a pointer that sits where the test puts it and records
// every request made of it.
#pragma once

#include "viewer/cursor.h"

namespace pendula::testing {

struct FakePointer {
  ScreenPoint position;
  bool visible;
  int positionReads;
  int moves;
  int visibilityRequests;
};

inline FakePointer fakePointer{};

inline ScreenPoint FakeReadPosition() {
  fakePointer.positionReads += 1;
  return fakePointer.position;
}

inline void FakeMoveTo(ScreenPoint point) {
  fakePointer.moves += 1;
  fakePointer.position = point;
}

inline void FakeSetVisible(bool visible) {
  fakePointer.visibilityRequests += 1;
  fakePointer.visible = visible;
}

// Resets the fake pointer to a visible pointer at the given point with no requests recorded,
// and returns a cursor over it.
inline Cursor MakeFakeCursor(ScreenPoint start) {
  fakePointer = FakePointer{start, true, 0, 0, 0};
  return MakeCursor(CursorServices{FakeReadPosition, FakeMoveTo, FakeSetVisible});
}

}  // namespace pendula::testing
