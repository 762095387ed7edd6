#include "viewer/glut_keys.h"

#include <GL/glut.h>
#include <gtest/gtest.h>

namespace pendula {
namespace {

TEST(GlutKeys, EveryKeyOfTheProgramFromItsGlutCode) {
  const struct {
    int glut;
    Key key;
  } named[] = {{GLUT_KEY_UP, Key::Up},         {GLUT_KEY_DOWN, Key::Down},
               {GLUT_KEY_LEFT, Key::Left},     {GLUT_KEY_RIGHT, Key::Right},
               {GLUT_KEY_INSERT, Key::Insert}, {GLUT_KEY_F1, Key::F1},
               {GLUT_KEY_F4, Key::F4},         {GLUT_KEY_F8, Key::F8},
               {GLUT_KEY_F9, Key::F9},         {GLUT_KEY_F10, Key::F10}};
  for (const auto& pair : named) {
    EXPECT_EQ(KeyFromGlutSpecialKey(pair.glut), pair.key) << "GLUT code " << pair.glut;
  }
}

TEST(GlutKeys, EveryOtherCodeIsAKeyTheProgramIgnores) {
  for (int glut :
       {GLUT_KEY_F2, GLUT_KEY_F3, GLUT_KEY_F5, GLUT_KEY_F6, GLUT_KEY_F7, GLUT_KEY_F11, GLUT_KEY_F12,
        GLUT_KEY_PAGE_UP, GLUT_KEY_PAGE_DOWN, GLUT_KEY_HOME, GLUT_KEY_END, 0, -1, int{'a'}, 1000}) {
    EXPECT_EQ(KeyFromGlutSpecialKey(glut), Key::Other) << "GLUT code " << glut;
  }
}

}  // namespace
}  // namespace pendula
