// The batch step of a run-time chain in the lanes of a width chosen by the caller, for the
// benchmarks that compare the widths: the model's own step, with only its width changed, in
// lane storage of its own.
#pragma once

#include "dynamics/chain/chain_model.h"
#include "dynamics/lanes/aligned_block.h"
#include "pendula/chain.h"

namespace pendula {
namespace bench {

class StepsAtWidth {
 public:
  // Steps at `width` (2, 4 or 8; 0 for the chain's own); the chain must be in-plane and outlive
  // this, and the width one that LaneWidthAvailable says this build and CPU have.
  StepsAtWidth(const Chain& chain, int width);

  // One Heun step of size h of chains 0 .. count - 1 (row i chain i's), friction b, no torques.
  void Step(double h, double friction, double* momenta, double* angles, int count);

  int width() const { return model_.laneWidth; }

 private:
  ChainModel model_;
  AlignedBlock storage_;
};

}  // namespace bench
}  // namespace pendula
