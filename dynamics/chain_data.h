// The working data of one evaluation of a chain of N links, or of a pack of chains side by side
// (T a lane pack), in one link algebra: what each stage writes for the stages after it. Each
// quantity is written before it is read within one evaluation, so nothing carries over from one
// call to the next, except the zeros of the applied-torque vector beyond joint 1.
// Frames: "link k" means link k's coordinates about link k's origin; S = e5 is the joint axis.
#pragma once

#include "dynamics/code_target.h"
#include "dynamics/lanes.h"
#include "dynamics/sine_table.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

template <typename Algebra, typename T, int N>
struct ChainData {
  using Vector = typename Algebra::template Vector<T>;
  using Inertia = typename Algebra::template Inertia<T>;

  T sine[N];                // s_k = sin q_k, from the table
  T cosine[N];              // c_k = cos q_k
  T gravity[N][3];          // g_k: gravitational acceleration in link k coordinates
  Inertia inertia[N];       // M_k: articulated inertia of links k..N, the joints outboard of k free
  Vector bias[N];           // beta_k: articulated bias, H_k = M_k·v_k + beta_k
  T inverseD[N];            // 1/D_k = 1/M_k(5,5), for the transfers and the joint rate
  Vector velocity[N];       // v_k: spatial velocity of link k
  T appliedTorque[N] = {};  // the drive on joint 1; the other joints' zeros are never written
  T frictionTorque[N];      // -b·q̇_k
  Vector force[N];          // F_k: weights and joint torques of links k..N about link k's origin
  Vector momentum[N];       // H_k: momentum of links k..N (momentum initialisation)
};

// Where the 2N lookups of one evaluation read: the places of sin q_k and of
// cos q_k = sin(π/2 - q_k). A pack's sines take one pack of places and its cosines another; one
// chain's sine and cosine share the two lanes of one pair.
template <typename T, int N>
struct JointTablePlaces {
  SineTablePlaces<LaneCount<T>> sine[N];
  SineTablePlaces<LaneCount<T>> cosine[N];
};
template <int N>
struct JointTablePlaces<double, N> {
  SineTablePlaces<2> sineAndCosine[N];
};

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
