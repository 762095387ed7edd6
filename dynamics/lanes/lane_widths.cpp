#include "dynamics/lanes/lane_widths.h"

namespace pendula {

int WidestLaneWidth() {
  if (LaneWidthAvailable(8)) return 8;
  if (LaneWidthAvailable(4)) return 4;
  return 2;
}

bool LaneWidthAvailable(int width) {
  switch (width) {
    case 2:
      return true;
#ifdef PENDULA_HAVE_LANE_WIDTH_4
    case 4:
      return __builtin_cpu_supports("avx2");
#endif
#ifdef PENDULA_HAVE_LANE_WIDTH_8
    case 8:
      return __builtin_cpu_supports("avx512f");
#endif
    default:
      return false;
  }
}

}  // namespace pendula
