#include "viewer/cursor.h"

namespace pendula {

Cursor MakeCursor(const CursorServices& services) {
  return Cursor{services, PointerVisibility::NotYetRequested};
}

void SetPointerVisible(Cursor& cursor, bool visible) {
  const PointerVisibility wanted = visible ? PointerVisibility::Shown : PointerVisibility::Hidden;
  if (cursor.requested == wanted) return;
  cursor.services.setVisible(visible);
  cursor.requested = wanted;
}

ScreenPoint PointerPosition(const Cursor& cursor) {
  return cursor.services.readPosition();
}

void MovePointer(const Cursor& cursor, ScreenPoint point) {
  cursor.services.moveTo(point);
}

}  // namespace pendula
