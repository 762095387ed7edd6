// The dispatch of the Jacobian of a batch, and of one state, to the lane widths this build has.
#include "dynamics/derivatives/jacobian_lanes.h"

namespace pendula {

std::size_t JacobianLaneBytes(int width, int n) {
  switch (width) {
#ifdef PENDULA_HAVE_LANE_WIDTH_8
    case 8:
      return JacobianLaneBytesAt<8>(n);
#endif
#ifdef PENDULA_HAVE_LANE_WIDTH_4
    case 4:
      return JacobianLaneBytesAt<4>(n);
#endif
    default:
      return JacobianLaneBytesAt<2>(n);
  }
}

void JacobianOfStatesInLanes(int width, JacobianStorage& scalar, unsigned char* lanes,
                             const double (&gravity)[3], const SineTable* table, double friction,
                             const double* p, const double* q, int count,
                             const JacobianBlocks& out) {
  switch (width) {
#ifdef PENDULA_HAVE_LANE_WIDTH_8
    case 8:
      return JacobianOfStatesInLanesAt<8>(scalar, lanes, gravity, table, friction, p, q, count,
                                          out);
#endif
#ifdef PENDULA_HAVE_LANE_WIDTH_4
    case 4:
      return JacobianOfStatesInLanesAt<4>(scalar, lanes, gravity, table, friction, p, q, count,
                                          out);
#endif
    default:
      return JacobianOfStatesInLanesAt<2>(scalar, lanes, gravity, table, friction, p, q, count,
                                          out);
  }
}

bool JacobianOfStateFor(int width, JacobianStorage& storage, const double (&gravity)[3],
                        const SineTable* table, double friction, const double* p, const double* q,
                        const JacobianBlocks& out) {
  switch (width) {
#ifdef PENDULA_HAVE_LANE_WIDTH_8
    case 8:
      return JacobianOfStateForAt<8>(storage, gravity, table, friction, p, q, out);
#endif
#ifdef PENDULA_HAVE_LANE_WIDTH_4
    case 4:
      return JacobianOfStateForAt<4>(storage, gravity, table, friction, p, q, out);
#endif
    default:
      return JacobianOfStateForAt<2>(storage, gravity, table, friction, p, q, out);
  }
}

}  // namespace pendula
