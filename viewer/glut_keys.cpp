#include "viewer/glut_keys.h"

#include <GL/glut.h>

namespace pendula {

Key KeyFromGlutSpecialKey(int glutKey) {
  switch (glutKey) {
    case GLUT_KEY_UP:
      return Key::Up;
    case GLUT_KEY_DOWN:
      return Key::Down;
    case GLUT_KEY_LEFT:
      return Key::Left;
    case GLUT_KEY_RIGHT:
      return Key::Right;
    case GLUT_KEY_INSERT:
      return Key::Insert;
    case GLUT_KEY_F1:
      return Key::F1;
    case GLUT_KEY_F4:
      return Key::F4;
    case GLUT_KEY_F8:
      return Key::F8;
    case GLUT_KEY_F9:
      return Key::F9;
    case GLUT_KEY_F10:
      return Key::F10;
    default:
      return Key::Other;
  }
}

}  // namespace pendula
