// The working data of one evaluation of a chain of n links, or of a pack of chains side by side
// (T a lane pack), in one link algebra: what each stage writes for the stages after it. Each
// quantity is written before it is read within one evaluation, so nothing carries over from one
// call to the next, except the applied-torque vector, which holds whatever its owner put there
// (zeros beyond joint 1 for the program's chains).
// Frames: "link k" means link k's coordinates about link k's origin; S = e5 is the joint axis.
// Every per-link array is a pointer into storage that LinkArena carves once the count is known.
#pragma once

#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"
#include "dynamics/lanes/link_arrays.h"
#include "dynamics/trigonometry/sine_table.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// Where the 2N lookups of one evaluation read: the places of sin q_k and of
// cos q_k = sin(π/2 - q_k). A pack's sines take one pack of places and its cosines another; one
// chain's sine and cosine share the two lanes of one pair.
template <typename T>
struct JointTablePlaces {
  SineTablePlaces<LaneCount<T>>* sine;
  SineTablePlaces<LaneCount<T>>* cosine;
};
template <>
struct JointTablePlaces<double> {
  SineTablePlaces<2>* sineAndCosine;
};

template <typename Algebra, typename T>
struct ChainData {
  using Vector = typename Algebra::template Vector<T>;
  using Inertia = typename Algebra::template Inertia<T>;

  T* sine = nullptr;             // s_k = sin q_k, from the table
  T* cosine = nullptr;           // c_k = cos q_k
  Inertia* inertia = nullptr;    // M_k: articulated inertia of links k..n, outboard free
  Vector* bias = nullptr;        // beta_k: articulated bias, H_k = M_k·v_k + beta_k
  T* inverseD = nullptr;         // 1/D_k = 1/M_k(5,5), for the transfers and the joint rate
  T* appliedTorque = nullptr;    // joint torques: the drive on joint 1, or the caller's
  Vector* load = nullptr;        // link k's own term of the inward sum: its weight and its
                                 // joint's torques, or (momentum initialisation) I_k·v_k;
                                 // in the storage of bias (see ForEachLinkArray)
  T* velocityTerm = nullptr;     // c_k = (v_k x* (M_k·v_k + beta_k))_5, in ṗ_k
  JointTablePlaces<T> places{};  // the table places of q (not kept for AVX-512 registers)
};

// f(array) for every per-link array of the places.
template <typename T, typename F>
void ForEachLinkArray(JointTablePlaces<T>& places, F& f) {
  if constexpr (std::is_same_v<T, double>) {
    f(places.sineAndCosine);
  } else {
    f(places.sine);
    f(places.cosine);
  }
}

// f(array) for every per-link array of the working data.
template <typename A, typename T, typename F>
void ForEachLinkArray(ChainData<A, T>& d, F& f) {
  f(d.sine);
  f(d.cosine);
  f(d.inertia);
  f(d.bias);
  f(d.inverseD);
  f(d.appliedTorque);
  // Link k's load is formed in the outward pass just after the last read of its bias, and
  // nothing reads the bias after that: the two share one array, one less for the cache to hold.
  d.load = d.bias;
  f(d.velocityTerm);
  ForEachLinkArray(d.places, f);
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
