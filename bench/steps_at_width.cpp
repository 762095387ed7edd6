#include "bench/steps_at_width.h"

#include "dynamics/calls/chain_calls.h"

namespace pendula {
namespace bench {

StepsAtWidth::StepsAtWidth(const Chain& chain, int width)
    : model_(ChainAccess::ModelOf(chain).chain) {
  if (width != 0) model_.laneWidth = width;
  storage_ = MakeAlignedBlock(LaneBytes(model_.laneWidth, model_.linkCount));
}

void StepsAtWidth::Step(double h, double friction, double* momenta, double* angles, int count) {
  StepInLanes(StepMethod::Heun, model_, storage_.get(), h, friction, BatchTorques{nullptr, nullptr},
              momenta, angles, count);
}

}  // namespace bench
}  // namespace pendula
