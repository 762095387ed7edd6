// The first stage of every chain evaluation: the table sine and cosine of each joint angle, for
// one chain (double) or for two side by side (DoublePair).
#pragma once

#include <type_traits>

#include "dynamics/chain_model.h"
#include "dynamics/lanes.h"
#include "dynamics/sine_table.h"

namespace pendula {

// Where the 40 lookups of one evaluation read, lane by lane: the places of sin q_k and of
// cos q_k = sin(π/2 - q_k).
template <typename T>
struct JointTablePlaces {
  SineTablePlace sine[LinkCount][LaneCount<T>];
  SineTablePlace cosine[LinkCount][LaneCount<T>];
};

// The table places of link k's angle (lane by lane): for s_k the angle itself, for c_k
// π/2 - q_k. One chain's two lookups share the lanes of one pair, a pair's sines another.
inline void TablePlacesOfLink(JointTablePlaces<double>& out, int link, double angle) {
  SineTablePlacesOf(DoublePair{angle, HalfPi - angle}, out.sine[link][0], out.cosine[link][0]);
}
inline void TablePlacesOfLink(JointTablePlaces<DoublePair>& out, int link,
                              const DoublePair& angle) {
  SineTablePlacesOf(angle, out.sine[link][0], out.sine[link][1]);
  SineTablePlacesOf(HalfPi - angle, out.cosine[link][0], out.cosine[link][1]);
}

// The table places of q, the angles taken as they are.
template <typename T>
inline void TablePlacesOf(JointTablePlaces<T>& out, const T (&q)[LinkCount]) {
  for (int link = 0; link < LinkCount; ++link) TablePlacesOfLink(out, link, q[link]);
}

// The entry at each place, all lanes of a link together.
template <typename T>
inline T EntriesAt(const SineTablePlace (&places)[LaneCount<T>]) {
  if constexpr (std::is_same_v<T, double>) {
    return SineAt(places[0]);
  } else {
    return T{SineAt(places[0]), SineAt(places[1])};
  }
}

// s_k = sin q_k, c_k = cos q_k from the table into the workspace.
// All the index arithmetic first, then the 40 reads back to back: table entries are often not
// in cache, and this way their misses overlap instead of waiting behind the divisions.
inline void JointSinesAndCosines(ChainWorkspace& w, const double (&q)[LinkCount]) {
  JointTablePlaces<double> places;
  TablePlacesOf(places, q);
  for (int link = 0; link < LinkCount; ++link) {
    w.sine[link] = EntriesAt<double>(places.sine[link]);
    w.cosine[link] = EntriesAt<double>(places.cosine[link]);
  }
}

}  // namespace pendula
