// Nothing allocates after start-up: one Heun step, and the program's own handlers driven one by
// one in a real window (a display, an idle pass, a reshape, every special key). The windowed
// cases need an X display; the test command runs them under a private virtual X server.
// Counted are the global operator new calls, the only way the program's own code allocates.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include "app/shell.h"
#include "pendula/dynamics.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/x_display.h"

namespace pendula {
namespace {

using testing::AllocationCount;

TEST(HeunStepAllocation, OneStepAllocatesNothing) {
  setUpModel(StepSize);
  double momenta[JointsPerChain] = {};
  double angles[JointsPerChain] = {};
  angles[0] = 20.0;
  HeunStep(momenta, angles, 5.0, 0.0);
  const long long before = AllocationCount();
  HeunStep(momenta, angles, 1.0, 100.0);
  EXPECT_EQ(AllocationCount() - before, 0);
}

class WindowedShell : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!testing::XDisplayReachable()) return;
    static int argc = 1;
    static char title[] = "pendula_no_allocation_test";
    static char* argv[] = {title, nullptr};
    SetUpProcess(argc, argv);
    // The first frames are drawn before counting: the driver sets itself up on first use.
    for (int frame = 0; frame < 3; ++frame) DisplayHandler();
    windowOpen_ = true;
  }
  void SetUp() override {
    if (!windowOpen_) GTEST_SKIP() << "no X display to open the window on";
  }
  static bool windowOpen_;
};
bool WindowedShell::windowOpen_ = false;

TEST_F(WindowedShell, DisplaysAllocateNothing) {
  // 40 displays include two statistics steps that print.
  for (int frame = 0; frame < 40; ++frame) {
    const long long before = AllocationCount();
    DisplayHandler();
    ASSERT_EQ(AllocationCount() - before, 0) << "display " << frame + 1;
  }
}

TEST_F(WindowedShell, IdlePassesAllocateNothing) {
  for (int pass = 0; pass < 10; ++pass) {
    const long long before = AllocationCount();
    IdleHandler();
    ASSERT_EQ(AllocationCount() - before, 0) << "idle pass " << pass + 1;
  }
}

TEST_F(WindowedShell, ReshapesAllocateNothing) {
  const int sizes[][2] = {{800, 400}, {1, 1}, {400, 0}, {0, 0}, {1024, 768}, {400, 400}};
  for (const auto& size : sizes) {
    const long long before = AllocationCount();
    ReshapeHandler(size[0], size[1]);
    EXPECT_EQ(AllocationCount() - before, 0) << size[0] << " by " << size[1];
  }
}

TEST_F(WindowedShell, EverySpecialKeyAllocatesNothing) {
  // Every handled key but F4, which ends the process, and keys the handler ignores. Insert
  // comes twice so that mouse look ends where it started.
  const int keys[] = {GLUT_KEY_UP,
                      GLUT_KEY_DOWN,
                      GLUT_KEY_LEFT,
                      GLUT_KEY_RIGHT,
                      GLUT_KEY_F1,
                      GLUT_KEY_F1,
                      GLUT_KEY_F1,
                      GLUT_KEY_F8,
                      GLUT_KEY_F9,
                      GLUT_KEY_F10,
                      GLUT_KEY_INSERT,
                      GLUT_KEY_INSERT,
                      GLUT_KEY_F2,
                      GLUT_KEY_F12,
                      GLUT_KEY_HOME,
                      GLUT_KEY_PAGE_DOWN,
                      GLUT_KEY_NUM_LOCK,
                      GLUT_KEY_SHIFT_L,
                      0,
                      -1,
                      9999};
  for (int key : keys) {
    const long long before = AllocationCount();
    SpecialKeyHandler(key, 0, 0);
    EXPECT_EQ(AllocationCount() - before, 0) << "special key " << key;
  }
  const long long before = AllocationCount();
  DisplayHandler();
  IdleHandler();
  EXPECT_EQ(AllocationCount() - before, 0) << "display and idle pass after the keys";
}

}  // namespace
}  // namespace pendula
