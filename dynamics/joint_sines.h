// The first stage of every chain evaluation: the table sine and cosine of each joint angle.
#pragma once

#include "dynamics/chain_model.h"
#include "dynamics/sine_table.h"

namespace pendula {

// s_k = sin q_k, c_k = cos q_k from the table, the angles taken as they are.
// All the index arithmetic first, then the 40 reads back to back: table entries are often not
// in cache, and this way their misses overlap instead of waiting behind the divisions.
inline void JointSinesAndCosines(ChainWorkspace& w, const double (&q)[LinkCount]) {
  SineTablePlace sinePlace[LinkCount], cosinePlace[LinkCount];
  for (int link = 0; link < LinkCount; ++link) {
    SineTablePlacesOf(DoublePair{q[link], HalfPi - q[link]}, sinePlace[link], cosinePlace[link]);
  }
  for (int link = 0; link < LinkCount; ++link) {
    w.sine[link] = SineAt(sinePlace[link]);
    w.cosine[link] = SineAt(cosinePlace[link]);
  }
}

}  // namespace pendula
