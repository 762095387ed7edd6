#include "viewer/input.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/support/flush_recording_buffer.h"
#include "tests/viewer/fake_cursor.h"

namespace pendula {
namespace {

using testing::fakePointer;
using testing::MakeFakeCursor;

constexpr double kPi = 3.141592653589793;
// sin(pi) and cos(pi/2) in doubles are of order 1e-16, not zero; a unit move along a direction
// made of them is off by that much on the axes it should not touch.
constexpr double kUnitMoveRounding = 1e-15;

// Everything a key press can touch, starting from the program's initial state.
class KeyTest : public ::testing::Test {
 protected:
  void Press(Key key) { HandleKey(key, camera, settings, mouseLook, cursor, out); }

  Camera camera = InitialCamera();
  DriveSettings settings = InitialDriveSettings();
  MouseLook mouseLook = InitialMouseLook();
  Cursor cursor = MakeFakeCursor({321, 123});
  std::ostringstream out;
};

void ExpectSameCamera(const Camera& actual, const Camera& expected) {
  EXPECT_EQ(actual.x, expected.x);
  EXPECT_EQ(actual.y, expected.y);
  EXPECT_EQ(actual.z, expected.z);
  EXPECT_EQ(actual.yaw, expected.yaw);
  EXPECT_EQ(actual.pitch, expected.pitch);
}

// ---- Camera moves ----

TEST_F(KeyTest, UpFromTheStartMovesOneUnitTowardsTheChains) {
  Press(Key::Up);
  EXPECT_NEAR(camera.x, 0.0, kUnitMoveRounding);
  EXPECT_EQ(camera.y, -1.0);
  EXPECT_EQ(camera.z, 34.0);
  EXPECT_EQ(camera.yaw, InitialCamera().yaw);
  EXPECT_EQ(camera.pitch, 0.0);
}

TEST_F(KeyTest, UpFollowsPitchStraightDownAtAQuarterTurn) {
  camera.pitch = kPi / 2;
  Press(Key::Up);
  EXPECT_NEAR(camera.x, 0.0, kUnitMoveRounding);
  EXPECT_NEAR(camera.y, -2.0, kUnitMoveRounding);
  EXPECT_NEAR(camera.z, 35.0, kUnitMoveRounding);
}

TEST_F(KeyTest, DownUndoesUp) {
  camera = Camera{1.5, -2.0, 7.0, 0.7, -0.3};
  Press(Key::Up);
  Press(Key::Down);
  EXPECT_NEAR(camera.x, 1.5, kUnitMoveRounding);
  EXPECT_NEAR(camera.y, -2.0, kUnitMoveRounding);
  EXPECT_NEAR(camera.z, 7.0, kUnitMoveRounding);
}

TEST_F(KeyTest, DownMovesAgainstTheViewingDirection) {
  camera = Camera{0.0, 0.0, 0.0, 0.7, -0.3};
  const Vector3 forward = ForwardVector(camera);
  Press(Key::Down);
  EXPECT_EQ(camera.x, -forward.x);
  EXPECT_EQ(camera.y, -forward.y);
  EXPECT_EQ(camera.z, -forward.z);
}

TEST_F(KeyTest, LeftFromTheStartMovesTowardsMinusX) {
  Press(Key::Left);
  EXPECT_EQ(camera.x, -1.0);
  EXPECT_EQ(camera.y, -1.0);
  EXPECT_NEAR(camera.z, 35.0, kUnitMoveRounding);
}

TEST_F(KeyTest, LeftAndRightMoveAlongTheLeftVectorWithoutChangingHeight) {
  camera = Camera{2.0, 3.0, 4.0, 0.7, 1.1};
  const Vector3 left = LeftVector(camera);
  Press(Key::Left);
  EXPECT_EQ(camera.x, 2.0 + left.x);
  EXPECT_EQ(camera.y, 3.0);
  EXPECT_EQ(camera.z, 4.0 + left.z);
  camera = Camera{2.0, 3.0, 4.0, 0.7, 1.1};
  Press(Key::Right);
  EXPECT_EQ(camera.x, 2.0 - left.x);
  EXPECT_EQ(camera.y, 3.0);
  EXPECT_EQ(camera.z, 4.0 - left.z);
}

TEST_F(KeyTest, SidewaysMoveIsPerpendicularToTheView) {
  camera = Camera{0.0, 0.0, 0.0, 0.7, 0.0};
  const Vector3 forward = ForwardVector(camera);
  Press(Key::Right);
  EXPECT_NEAR(camera.x * forward.x + camera.z * forward.z, 0.0, kUnitMoveRounding);
  EXPECT_NEAR(camera.x * camera.x + camera.z * camera.z, 1.0, kUnitMoveRounding);
}

TEST_F(KeyTest, CameraKeysTouchNothingElse) {
  for (Key key : {Key::Up, Key::Down, Key::Left, Key::Right}) Press(key);
  EXPECT_EQ(settings.frictionCoefficient, 5.0);
  EXPECT_EQ(settings.appliedTorque, 0.0);
  EXPECT_EQ(mouseLook.flag, MouseLookOff);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(fakePointer.moves, 0);
}

// ---- Drive settings ----

TEST_F(KeyTest, F1CyclesFrictionFiveZeroOneAndPrintsEachValue) {
  Press(Key::F1);
  EXPECT_EQ(settings.frictionCoefficient, 0.0);
  EXPECT_EQ(out.str(), "friction coefficient = 0\n");
  Press(Key::F1);
  EXPECT_EQ(settings.frictionCoefficient, 1.0);
  Press(Key::F1);
  EXPECT_EQ(settings.frictionCoefficient, 5.0);
  EXPECT_EQ(out.str(),
            "friction coefficient = 0\n"
            "friction coefficient = 1\n"
            "friction coefficient = 5\n");
}

TEST_F(KeyTest, F1FlushesItsLineAtOnce) {
  testing::FlushRecordingBuffer buffer;
  std::ostream stream(&buffer);
  HandleKey(Key::F1, camera, settings, mouseLook, cursor, stream);
  ASSERT_EQ(buffer.flushes, 1);
  EXPECT_EQ(buffer.heldAtFlush[0], "friction coefficient = 0\n");
}

TEST_F(KeyTest, F1LeavesTheTorqueAlone) {
  settings.appliedTorque = -100.0;
  Press(Key::F1);
  EXPECT_EQ(settings.appliedTorque, -100.0);
}

TEST_F(KeyTest, F8ThenF9RemovesTheTorque) {
  Press(Key::F8);
  EXPECT_EQ(settings.appliedTorque, -100.0);
  Press(Key::F9);
  EXPECT_EQ(settings.appliedTorque, 0.0);
}

TEST_F(KeyTest, F10TwiceStaysAtOneHundred) {
  Press(Key::F10);
  Press(Key::F10);
  EXPECT_EQ(settings.appliedTorque, 100.0);
}

TEST_F(KeyTest, TorqueKeysPrintNothingAndKeepFriction) {
  for (Key key : {Key::F8, Key::F9, Key::F10}) Press(key);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(settings.frictionCoefficient, 5.0);
}

TEST_F(KeyTest, UnknownKeysChangeNothing) {
  const Camera before = camera;
  // Key::Other and codes past the named keys, as a page could hand in any int.
  for (int code : {static_cast<int>(Key::Other), static_cast<int>(Key::F10) + 1, -1, 1000}) {
    Press(static_cast<Key>(code));
  }
  ExpectSameCamera(camera, before);
  EXPECT_EQ(settings.frictionCoefficient, 5.0);
  EXPECT_EQ(settings.appliedTorque, 0.0);
  EXPECT_EQ(mouseLook.flag, MouseLookOff);
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(fakePointer.moves, 0);
  EXPECT_EQ(fakePointer.visibilityRequests, 0);
}

// ---- Mouse-look toggle and quitting ----

TEST_F(KeyTest, InsertTogglesMouseLookAndCentresThePointer) {
  Press(Key::Insert);
  EXPECT_EQ(mouseLook.flag, MouseLookOn);
  EXPECT_EQ(fakePointer.position.x, 200);
  EXPECT_EQ(fakePointer.position.y, 200);
  EXPECT_EQ(fakePointer.moves, 1);
  fakePointer.position = {50, 60};
  Press(Key::Insert);
  EXPECT_EQ(mouseLook.flag, MouseLookOff);
  EXPECT_EQ(fakePointer.position.x, 200);
  EXPECT_EQ(fakePointer.position.y, 200);
  EXPECT_EQ(fakePointer.moves, 2);
  ExpectSameCamera(camera, InitialCamera());
}

TEST_F(KeyTest, F4EndsTheProcessWithStatusZero) {
  EXPECT_EXIT(Press(Key::F4), ::testing::ExitedWithCode(0), "");
}

// ---- Mouse-look step ----

class MouseLookStepTest : public ::testing::Test {
 protected:
  void PointerAt(ScreenPoint point) { cursor = MakeFakeCursor(point); }

  Camera camera = InitialCamera();
  MouseLook mouseLook{MouseLookOn};
  Cursor cursor = MakeFakeCursor({200, 200});
};

// 10 pixels times the gain: one rounding away from the decimal 0.05.
constexpr double kGainProductRounding = 1e-16;

TEST_F(MouseLookStepTest, OffShowsThePointerAndDoesNothingElse) {
  mouseLook.flag = MouseLookOff;
  PointerAt({250, 260});
  fakePointer.visible = false;
  MouseLookStep(camera, mouseLook, cursor);
  EXPECT_TRUE(fakePointer.visible);
  EXPECT_EQ(fakePointer.positionReads, 0);
  EXPECT_EQ(fakePointer.moves, 0);
  ExpectSameCamera(camera, InitialCamera());
}

TEST_F(MouseLookStepTest, OnHidesThePointer) {
  MouseLookStep(camera, mouseLook, cursor);
  EXPECT_FALSE(fakePointer.visible);
}

TEST_F(MouseLookStepTest, EveryPassAsksForVisibilityButThePlatformHearsOnlyChanges) {
  for (int pass = 0; pass < 10; ++pass) MouseLookStep(camera, mouseLook, cursor);
  mouseLook.flag = MouseLookOff;
  for (int pass = 0; pass < 10; ++pass) MouseLookStep(camera, mouseLook, cursor);
  EXPECT_EQ(fakePointer.visibilityRequests, 2);
  EXPECT_TRUE(fakePointer.visible);
}

TEST_F(MouseLookStepTest, OnePixelOffBothWaysIsInsideTheDeadZone) {
  PointerAt({201, 199});
  MouseLookStep(camera, mouseLook, cursor);
  ExpectSameCamera(camera, InitialCamera());
  EXPECT_EQ(fakePointer.moves, 0);
  EXPECT_EQ(fakePointer.position.x, 201);
  EXPECT_EQ(fakePointer.position.y, 199);
}

TEST_F(MouseLookStepTest, TwoPixelsOffOnOneAxisLeavesTheDeadZone) {
  PointerAt({199, 202});
  MouseLookStep(camera, mouseLook, cursor);
  EXPECT_EQ(fakePointer.moves, 1);
  EXPECT_NE(camera.pitch, 0.0);
}

TEST_F(MouseLookStepTest, PointerRightTurnsYawDownAndRecentres) {
  PointerAt({202, 200});
  MouseLookStep(camera, mouseLook, cursor);
  EXPECT_EQ(camera.yaw, InitialCamera().yaw - 0.01);
  EXPECT_EQ(camera.pitch, 0.0);
  EXPECT_EQ(fakePointer.position.x, 200);
  EXPECT_EQ(fakePointer.position.y, 200);
  EXPECT_EQ(fakePointer.moves, 1);
}

TEST_F(MouseLookStepTest, PointerDownRaisesPitchSoTheViewTiltsDown) {
  PointerAt({200, 210});
  MouseLookStep(camera, mouseLook, cursor);
  EXPECT_NEAR(camera.pitch, 0.05, kGainProductRounding);
  EXPECT_EQ(camera.yaw, InitialCamera().yaw);
  EXPECT_EQ(fakePointer.moves, 1);
}

TEST_F(MouseLookStepTest, PointerUpAndLeftTurnTheOtherWay) {
  PointerAt({190, 180});
  MouseLookStep(camera, mouseLook, cursor);
  EXPECT_NEAR(camera.yaw, InitialCamera().yaw + 0.05, kGainProductRounding * 4);
  EXPECT_NEAR(camera.pitch, -0.1, kGainProductRounding * 2);
}

TEST_F(MouseLookStepTest, RightTurnMovesTheViewRight) {
  // From the start the view is along -z and right is +x.
  PointerAt({300, 200});
  MouseLookStep(camera, mouseLook, cursor);
  EXPECT_GT(ForwardVector(camera).x, 0.0);
}

TEST_F(MouseLookStepTest, MovesNothingButYawAndPitch) {
  PointerAt({260, 140});
  MouseLookStep(camera, mouseLook, cursor);
  EXPECT_EQ(camera.x, 0.0);
  EXPECT_EQ(camera.y, -1.0);
  EXPECT_EQ(camera.z, 35.0);
}

}  // namespace
}  // namespace pendula
