// The keys the program answers to, in codes of its own: each front end maps its toolkit's or
// browser's key codes to these (the desktop in its GLUT layer, the page in web/page.cpp).
#pragma once

namespace pendula {

// Every value of the underlying int is a key: the named ones below, and any other stands for a
// key the program ignores.
enum class Key : int {
  Other = 0,
  Up,
  Down,
  Left,
  Right,
  Insert,
  F1,
  F4,
  F8,
  F9,
  F10,
};

}  // namespace pendula
