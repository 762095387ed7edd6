// The Jacobian of a batch of states for one lane width, PENDULA_LANE_WIDTH, and of one state on
// that width's registers: this file is compiled once per width, with that width's target flags
// and code namespace.
#include "dynamics/derivatives/jacobian_arithmetic.h"
#include "dynamics/derivatives/jacobian_lanes.h"
#include "dynamics/lanes/lane_rows.h"

#ifndef PENDULA_LANE_WIDTH
#error "compile with PENDULA_LANE_WIDTH set to 2, 4 or 8"
#endif

namespace pendula {
namespace {

// The packs beyond the arithmetic's arrays: the state (p, q) and the four blocks.
std::size_t ExtraPacks(int n) {
  return 2 * static_cast<std::size_t>(n) + 4 * static_cast<std::size_t>(n) * n;
}

}  // namespace

template <int W>
std::size_t JacobianLaneBytesAt(int n) {
  return sizeof(LanePack<W>) * (JacobianArrayCount(n) + ExtraPacks(n));
}

template <int W>
void JacobianOfStatesInLanesAt(JacobianStorage& scalar, unsigned char* lanes,
                               const double (&gravity)[3], const SineTable* table, double friction,
                               const double* p, const double* q, int count,
                               const JacobianBlocks& out) {
  using Pack = LanePack<W>;
  const int n = scalar.n;
  const std::size_t square = static_cast<std::size_t>(n) * n;
  Pack* packs = reinterpret_cast<Pack*>(lanes);
  const JacobianArrays<Pack> arrays = JacobianArraysIn(packs, n, scalar.joints.data());
  Pack* pp = packs + JacobianArrayCount(n);
  Pack* qq = pp + n;
  const JacobianBlocksOf<Pack> blocks{qq + n, qq + n + square, qq + n + 2 * square,
                                      qq + n + 3 * square, n};
  const int values = static_cast<int>(square);
  for (int first = 0; first < count; first += W) {
    LoadLanes(pp, p, first, count, n);
    LoadLanes(qq, q, first, count, n);
    if (jacobian::Blocks(arrays, gravity, table, friction, pp, qq, blocks)) {
      StoreLanes(blocks.dpdotDp, out.dpdotDp, first, count, values);
      StoreLanes(blocks.dpdotDq, out.dpdotDq, first, count, values);
      StoreLanes(blocks.dqdotDp, out.dqdotDp, first, count, values);
      StoreLanes(blocks.dqdotDq, out.dqdotDq, first, count, values);
      continue;
    }
    // A state that is not one of the model's (its mass matrix not positive definite): the
    // pack's states one by one, which gives that state its NaN blocks.
    const int last = first + W < count ? first + W : count;
    for (int i = first; i < last; ++i) {
      const std::size_t row = static_cast<std::size_t>(i) * n, at = i * square;
      JacobianOfDynamics(scalar, gravity, table, friction, p + row, q + row,
                         JacobianBlocks{out.dpdotDp + at, out.dpdotDq + at, out.dqdotDp + at,
                                        out.dqdotDq + at, n});
    }
  }
}

template <int W>
bool JacobianOfStateForAt(JacobianStorage& storage, const double (&gravity)[3],
                          const SineTable* table, double friction, const double* p, const double* q,
                          const JacobianBlocks& out) {
  const JacobianBlocksOf<double> blocks{out.dpdotDp, out.dpdotDq, out.dqdotDp, out.dqdotDq,
                                        out.stride};
  return jacobian::Blocks(JacobianArraysOf(storage), gravity, table, friction, p, q, blocks);
}

template std::size_t JacobianLaneBytesAt<PENDULA_LANE_WIDTH>(int);
template void JacobianOfStatesInLanesAt<PENDULA_LANE_WIDTH>(JacobianStorage&, unsigned char*,
                                                            const double (&)[3], const SineTable*,
                                                            double, const double*, const double*,
                                                            int, const JacobianBlocks&);
template bool JacobianOfStateForAt<PENDULA_LANE_WIDTH>(JacobianStorage&, const double (&)[3],
                                                       const SineTable*, double, const double*,
                                                       const double*, const JacobianBlocks&);

}  // namespace pendula
