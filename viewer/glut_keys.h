// GLUT's special-key codes seen as the program's own keys.
#pragma once

#include "viewer/keys.h"

namespace pendula {

// GLUT_KEY_UP -> Key::Up, ..., GLUT_KEY_F10 -> Key::F10; every other code -> Key::Other.
Key KeyFromGlutSpecialKey(int glutKey);

}  // namespace pendula
