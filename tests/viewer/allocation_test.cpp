// Key presses, mouse-look steps and statistics steps run after start-up and must not allocate.
#include <gtest/gtest.h>

#include <ostream>

#include "tests/support/allocation_counter.h"
#include "tests/support/fixed_stream_buffer.h"
#include "tests/viewer/fake_cursor.h"
#include "viewer/input.h"
#include "viewer/statistics.h"

namespace pendula {
namespace {

using testing::AllocationCount;

double ticks = 0.0;
double TickingClock() {
  return ticks += 7.0;
}

TEST(ViewerAllocation, KeyPressesAllocateNothing) {
  testing::FixedStreamBuffer buffer;
  std::ostream out(&buffer);
  Camera camera = InitialCamera();
  DriveSettings settings = InitialDriveSettings();
  MouseLook mouseLook = InitialMouseLook();
  Cursor cursor = testing::MakeFakeCursor({200, 200});
  const Key keys[] = {Key::Up, Key::Down, Key::Left, Key::Right,  Key::F1,
                      Key::F8, Key::F9,   Key::F10,  Key::Insert, Key::Other};
  const long long before = AllocationCount();
  for (int round = 0; round < 10; ++round) {
    for (Key key : keys) HandleKey(key, camera, settings, mouseLook, cursor, out);
  }
  const long long after = AllocationCount();
  EXPECT_EQ(after, before);
}

TEST(ViewerAllocation, MouseLookStepsAllocateNothing) {
  Camera camera = InitialCamera();
  MouseLook mouseLook{MouseLookOn};
  Cursor cursor = testing::MakeFakeCursor({200, 200});
  const long long before = AllocationCount();
  for (int pass = 0; pass < 100; ++pass) {
    testing::fakePointer.position = ScreenPoint{200 + pass % 7, 200 - pass % 5};
    MouseLookStep(camera, mouseLook, cursor);
  }
  mouseLook.flag = MouseLookOff;
  MouseLookStep(camera, mouseLook, cursor);
  const long long after = AllocationCount();
  EXPECT_EQ(after, before);
}

TEST(ViewerAllocation, StatisticsStepsAllocateNothing) {
  testing::FixedStreamBuffer buffer;
  std::ostream out(&buffer);
  Statistics statistics = StartStatistics(TickingClock);
  const long long before = AllocationCount();
  for (int display = 0; display < 100; ++display) {
    StatisticsStep(statistics, 0.012 * display, TickingClock, out);
  }
  const long long after = AllocationCount();
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace pendula
