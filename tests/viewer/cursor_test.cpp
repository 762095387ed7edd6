#include "viewer/cursor.h"

#include <gtest/gtest.h>

#include "tests/viewer/fake_cursor.h"

namespace pendula {
namespace {

using testing::fakePointer;
using testing::MakeFakeCursor;

TEST(SetPointerVisible, FirstRequestAlwaysReachesThePlatform) {
  Cursor cursor = MakeFakeCursor({0, 0});
  SetPointerVisible(cursor, true);
  EXPECT_EQ(fakePointer.visibilityRequests, 1);
  EXPECT_TRUE(fakePointer.visible);
}

TEST(SetPointerVisible, RepeatedSameStateIsNotResent) {
  Cursor cursor = MakeFakeCursor({0, 0});
  for (int pass = 0; pass < 100; ++pass) SetPointerVisible(cursor, false);
  EXPECT_EQ(fakePointer.visibilityRequests, 1);
  EXPECT_FALSE(fakePointer.visible);
}

TEST(SetPointerVisible, EveryChangeOfStateIsSent) {
  Cursor cursor = MakeFakeCursor({0, 0});
  SetPointerVisible(cursor, false);
  SetPointerVisible(cursor, true);
  SetPointerVisible(cursor, true);
  SetPointerVisible(cursor, false);
  EXPECT_EQ(fakePointer.visibilityRequests, 3);
  EXPECT_FALSE(fakePointer.visible);
}

TEST(PointerPosition, ReadsAndMovesGoToTheServices) {
  Cursor cursor = MakeFakeCursor({17, 23});
  const ScreenPoint read = PointerPosition(cursor);
  EXPECT_EQ(read.x, 17);
  EXPECT_EQ(read.y, 23);
  MovePointer(cursor, {5, 9});
  EXPECT_EQ(fakePointer.position.x, 5);
  EXPECT_EQ(fakePointer.position.y, 9);
  EXPECT_EQ(fakePointer.moves, 1);
}

}  // namespace
}  // namespace pendula
