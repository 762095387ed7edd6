// The dispatch of the Jacobian of a batch, and of one state, to the lane widths this build has.
#include "dynamics/derivatives/jacobian_lanes.h"

#include "dynamics/lanes/lane_widths.h"

namespace pendula {

std::size_t JacobianLaneBytes(int width, int n) {
  return AtLaneWidth(width,
                     [&](auto unit) { return JacobianLaneBytesAt<decltype(unit)::value>(n); });
}

void JacobianOfStatesInLanes(int width, JacobianStorage& scalar, unsigned char* lanes,
                             const double (&gravity)[3], const SineTable* table, double friction,
                             const double* p, const double* q, int count,
                             const JacobianBlocks& out) {
  return AtLaneWidth(width, [&](auto unit) {
    return JacobianOfStatesInLanesAt<decltype(unit)::value>(scalar, lanes, gravity, table, friction,
                                                            p, q, count, out);
  });
}

bool JacobianOfStateFor(int width, JacobianStorage& storage, const double (&gravity)[3],
                        const SineTable* table, double friction, const double* p, const double* q,
                        const JacobianBlocks& out) {
  return AtLaneWidth(width, [&](auto unit) {
    return JacobianOfStateForAt<decltype(unit)::value>(storage, gravity, table, friction, p, q,
                                                       out);
  });
}

}  // namespace pendula
