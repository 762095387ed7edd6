// The evaluation of a chain, written once: the forward dynamics (p, q) -> (ṗ, q̇) and the
// momentum initialisation (q, q̇) -> p, as stages that serve one chain (T = double) or a pack of
// chains side by side (T a lane pack), in the 6-D or the in-plane algebra (the kernels are
// overloaded on its types), for any number of links N.
//
//   q̇ = A(q)^-1 p,   ṗ = -∂H/∂q + joint torques,   H = 1/2 pᵀ A(q)^-1 p + V(q),
//
// by an O(N) recursion of the articulated-body kind that never forms the joint-space mass
// matrix A(q). Legend (link k, in link k coordinates about link k's origin; S = e5):
//   s_k, c_k  table sine and cosine of q_k       g_k     gravity
//   M_k       articulated inertia of links k..N  beta_k  articulated bias, H_k = M_k v_k + beta_k
//   U, D      column 5 and entry (5,5) of M_k    v_k     velocity
//   F_k       subtree force (weights and torques of links k..N)
//   c_k       velocity term of ṗ_k, (v_k x* (M_k v_k + beta_k))_5
//   X_k       link k's transform: Xf moves forces from link k to k-1, Xfᵀ motions back
#pragma once

#include <cmath>
#include <type_traits>

#include "dynamics/chain/chain_data.h"
#include "dynamics/chain/chain_model.h"
#include "dynamics/chain/joint_torques.h"
#include "dynamics/lanes/code_target.h"
#include "dynamics/spatial/plane_kernels.h"
#include "dynamics/spatial/spatial_kernels.h"
#include "dynamics/trigonometry/exact_sines.h"
#include "dynamics/trigonometry/register_lookup.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

namespace detail {

template <typename T>
inline LinkTransformOf<T> MakeTransform(SpatialAlgebra, const LinkParameters& L, const T& s,
                                        const T& c) {
  return LinkTransformOf<T>{L.a, L.d, L.sinAlpha, L.cosAlpha, s, c};
}
template <typename T>
inline PlaneTransformOf<T> MakeTransform(PlaneAlgebra, const LinkParameters& L, const T& s,
                                         const T& c) {
  return PlaneTransformOf<T>{L.a, s, c};
}

// A motion of the model (the base velocity) in every lane of the algebra's vector.
template <typename T>
inline SpatialVectorOf<T> InLanes(SpatialAlgebra, const SpatialVector& x) {
  SpatialVectorOf<T> out;
  for (int i = 0; i < 6; ++i) out[i] = LaneSplat<T>(x[i]);
  return out;
}
template <typename T>
inline PlaneVectorOf<T> InLanes(PlaneAlgebra, const SpatialVector& x) {
  return PlaneVectorOf<T>{LaneSplat<T>(x[0]), LaneSplat<T>(x[1]), LaneSplat<T>(x[5])};
}

template <typename T>
inline T JointAxisInertia(const ArticulatedInertiaOf<T>& M) {
  return M[DEntry];
}
template <typename T>
inline T JointAxisInertia(const PlaneInertiaOf<T>& M) {
  return M.m55;
}

// The table places of link k's angle.
template <typename T>
inline void TablePlacesOfLink(const SineTable& table, JointTablePlaces<T>& out, int link,
                              const T& angle) {
  if constexpr (std::is_same_v<T, double>) {
    out.sineAndCosine[link] = SineTablePlacesOf<2>(table, LanePack<2>{angle, HalfPi - angle});
  } else {
    out.sine[link] = SineTablePlacesOf<LaneCount<T>>(table, angle);
    out.cosine[link] = SineTablePlacesOf<LaneCount<T>>(table, HalfPi - angle);
  }
}

// The entries at link k's places: its sine and cosine.
template <typename T>
inline void EntriesOfLink(const SineTable& table, const JointTablePlaces<T>& places, int link,
                          T& sine, T& cosine) {
  if constexpr (std::is_same_v<T, double>) {
    const LanePack<2> both = SinesAt(table, places.sineAndCosine[link]);
    sine = both[0];
    cosine = both[1];
  } else {
    sine = SinesAt(table, places.sine[link]);
    cosine = SinesAt(table, places.cosine[link]);
  }
}

// The exact sin and cos of one angle, or of a pack (exact_sines.h).
template <typename T>
inline void LibrarySineAndCosine(const T& angle, T& sine, T& cosine) {
  if constexpr (IsPackPair<T>::value) {
    LibrarySineAndCosine(angle.low, sine.low, cosine.low);
    LibrarySineAndCosine(angle.high, sine.high, cosine.high);
  } else {
    ExactSineAndCosine(angle, sine, cosine);
  }
}

}  // namespace detail

// Link k's transform (element `link` = k - 1), with the sine and cosine that stage 1 found.
template <typename A, typename T>
inline auto TransformOfLink(const ChainModel& model, const ChainData<A, T>& d, int link) {
  return detail::MakeTransform(A{}, model.links[link], d.sine[link], d.cosine[link]);
}

// The table places of the n angles q.
template <typename T>
inline void TablePlacesOf(const SineTable& table, JointTablePlaces<T>& out, const T* q, int n) {
  for (int link = 0; link < n; ++link) detail::TablePlacesOfLink(table, out, link, q[link]);
}

// Whether the lookups of T are those of AVX-512 registers, each register's sines and cosines
// read as soon as its places are known (they cost less to work out than to store and load back).
template <typename T>
constexpr bool GathersEntries =
    !std::is_same_v<T, double> && RegisterLanes == 8 && LaneCount<T> % 8 == 0;

// Stage 1: s_k, c_k from the table at the places of q. Table entries are often not in cache; so
// that their misses overlap instead of waiting behind the divisions, all the index arithmetic
// comes first and the reads back to back, or, where a register's reads are one gather, each
// link's reads as soon as its places are known, the next links' arithmetic running beside them.
// A model of exact sines takes ExactSineAndCosine of the angles instead, a pack at a time.
template <typename A, typename T>
inline void SinesAndCosines(const ChainModel& model, ChainData<A, T>& d, const T* q) {
  const int n = LinkCount(model);
  if (model.sines == SineSource::Library) {
    for (int link = 0; link < n; ++link) {
      detail::LibrarySineAndCosine(q[link], d.sine[link], d.cosine[link]);
    }
    return;
  }
  const SineTable& table = *model.sineTable;
#if defined(__AVX512F__)
  if constexpr (GathersEntries<T>) {
    for (int link = 0; link < n; ++link) {
      RegisterSinesAndCosines(table, q[link], d.sine[link], d.cosine[link]);
    }
  } else
#endif
  {
    TablePlacesOf(table, d.places, q, n);
    for (int link = 0; link < n; ++link) {
      detail::EntriesOfLink(table, d.places, link, d.sine[link], d.cosine[link]);
    }
  }
}

// Stage 2 (inward): M_k = rigid inertia + link k+1's slot, beta_k = 0 + link k+1's slot (the tip
// has none); for k >= 2 the slots X_k (M_k - U Uᵀ/D) X_kᵀ and X_k (beta_k + U (p_k - beta_k5)/D),
// handed to link k-1 in registers.
template <typename A, typename T>
inline void ArticulatedInertiasAndBiases(const ChainModel& model, ChainData<A, T>& d, const T* p) {
  const int n = LinkCount(model);
  typename A::template Inertia<T> inertiaSlot{};
  typename A::template Vector<T> biasSlot{};
  for (int link = n - 1; link >= 0; --link) {
    const LinkParameters& L = model.links[link];
    typename A::template Inertia<T> M;
    typename A::template Vector<T> beta;
    if (link == n - 1) {
      BuildArticulatedInertia(M, L.mass, L.inertia, L.centreOfMass);
      SumChildVectors(beta);
    } else {
      BuildArticulatedInertia(M, L.mass, L.inertia, L.centreOfMass, inertiaSlot);
      SumChildVectors(beta, biasSlot);
    }
    // One division per link serves both transfers and the joint rate of stage 3.
    const T inverseD = 1.0 / detail::JointAxisInertia(M);
    d.inertia[link] = M;
    d.bias[link] = beta;
    d.inverseD[link] = inverseD;
    if (link == 0) break;  // link 1 transfers nothing to the base
    const auto X = TransformOfLink(model, d, link);
    TransferArticulatedInertia(inertiaSlot, M, X, inverseD);
    TransferArticulatedBias(biasSlot, beta, M, p[link], X, inverseD);
  }
}

// Outward, k = 1..N: v'_k = X_kᵀ v_{k-1} (v_0 the base's), the joint rate from rateOf(k, v'_k),
// v_k = v'_k + S·rate, handed to useVelocity(k, v_k, X_k) for what else the pass forms of link
// k. Stage 3 solves for the rate; the momentum initialisation is given it.
template <typename A, typename T, typename RateOf, typename UseVelocity>
inline void PropagateVelocities(const ChainModel& model, const ChainData<A, T>& d, RateOf rateOf,
                                UseVelocity useVelocity) {
  typename A::template Vector<T> parent = detail::InLanes<T>(A{}, model.baseVelocity);
  for (int link = 0; link < LinkCount(model); ++link) {
    const auto X = TransformOfLink(model, d, link);
    typename A::template Vector<T> vPrime, v;
    TransformMotionToChild(vPrime, parent, X);
    AddJointRate(v, vPrime, rateOf(link, vPrime));
    useVelocity(link, v, X);
    parent = v;
  }
}

// Inward, k = N..1: sum_k = own_k + X_{k+1}·(sum_{k+1} - S·held_{k+1}), the tip's own term
// alone, handed to useSum(k, sum_k); link 1 hands nothing to the base. Stage 4 sums the links'
// loads into subtree forces, the momentum initialisation their momenta into subtree momenta
// (momenta transform like forces). `held`, if given, is what each joint keeps of its sum: a joint
// torque acts on its link and, as the reaction, on the parent, so its generalized force is the
// joint's own alone.
template <typename A, typename T, typename UseSum>
inline void SumInward(const ChainModel& model, const ChainData<A, T>& d,
                      const typename A::template Vector<T>* own, UseSum useSum,
                      const T* held = nullptr) {
  const int n = LinkCount(model);
  typename A::template Vector<T> slot{};
  for (int link = n - 1; link >= 0; --link) {
    typename A::template Vector<T> sum;
    if (link == n - 1) {
      AddChildVectors(sum, own[link]);
    } else {
      AddChildVectors(sum, own[link], slot);
    }
    useSum(link, sum);
    if (link == 0) break;
    if (held == nullptr) {
      TransformForceToParent(slot, sum, TransformOfLink(model, d, link));
    } else {
      typename A::template Vector<T> handedOn;
      TakeJointTorque(handedOn, sum, held[link]);
      TransformForceToParent(slot, handedOn, TransformOfLink(model, d, link));
    }
  }
}

// What the outward pass hands each joint rate to, if nothing else: nothing.
struct NoRateUse {
  template <typename T>
  void operator()(int, const T&) const {}
};

// (p, q) -> (ṗ, q̇) of one chain or of a pack of chains, with the settings given, in four
// stages. Each pass forms all it can of each link while it has the link at hand, so that little
// working data is stored between passes: the outward pass forms, beside the velocities and the
// joint rates, the velocity term of ṗ and each link's load, and the inward force pass gives ṗ
// itself. d is the working data, which no other argument may share (__restrict__: the compiler
// need not reload it after every store to the outputs); the inputs are not changed, and every
// output is written. The outputs may be the inputs themselves (pdot = p, qdot = q): each p_k and
// q_k is last read before ṗ_k and q̇_k are written. useRate(k, q̇_k) is called as the outward pass
// finds each joint rate.
template <typename A, typename T, typename UseRate = NoRateUse>
inline void ForwardDynamics(const ChainModel& model, ChainData<A, T>& __restrict__ d,
                            const JointTorqueSettings& settings, const T* p, const T* q, T* pdot,
                            T* qdot, UseRate useRate = {}) {
  using Vector = typename A::template Vector<T>;
  // 1. s_k, c_k
  SinesAndCosines(model, d, q);
  // 2. M_k, beta_k
  ArticulatedInertiasAndBiases(model, d, p);
  // 3. outward: q̇_k = (p_k - beta_k5 - Uᵀ v'_k)/D, v_k, c_k; g_k = E_kᵀ g_{k-1} (g_0 the linear
  // part of the model's gravity) and link k's load, its weight with the torques of joint k about
  // S: the applied torque (the drive on joint 1, or the caller's) and friction -b q̇_k.
  if (!settings.perJointTorques) AppliedTorque(d.appliedTorque, settings);
  T gravity[3] = {LaneSplat<T>(model.gravity[0]), LaneSplat<T>(model.gravity[1]),
                  LaneSplat<T>(model.gravity[2])};
  PropagateVelocities(
      model, d,
      [&](int link, const Vector& vPrime) {
        T rate;
        SolveJointRate(rate, p[link], d.bias[link], vPrime, d.inertia[link], d.inverseD[link]);
        qdot[link] = rate;
        useRate(link, rate);
        return rate;
      },
      [&](int link, const Vector& v, const auto& X) {
        MomentumRateVelocityTerm(d.velocityTerm[link], d.inertia[link], d.bias[link], v);
        T g[3];
        RotateToChild(g, gravity, X);
        for (int i = 0; i < 3; ++i) gravity[i] = g[i];
        const LinkParameters& L = model.links[link];
        Vector weight;
        GravityForce(weight, g, L.centreOfMass, L.mass);
        AddJointTorques(d.load[link], weight, d.appliedTorque[link],
                        FrictionTorque(qdot[link], settings));
      });
  // 4. inward: F_k = load_k + X_{k+1} (F_{k+1} - S·applied_{k+1}), ṗ_k = F_k5 - c_k
  SumInward(
      model, d, static_cast<const Vector*>(d.load),
      [&](int link, const Vector& force) {
        T f5;
        JointComponent(f5, force);
        pdot[link] = f5 - d.velocityTerm[link];
      },
      static_cast<const T*>(d.appliedTorque));
}

// p = A(q)·q̇ for one chain or a pack: outward, v_k from the given rates and h_k = I_k v_k;
// inward, H_k = h_k + X_{k+1} H_{k+1} and p_k = H_k5, which is row k of A(q)·q̇.
template <typename A, typename T>
inline void MomentumInitialisation(const ChainModel& model, ChainData<A, T>& __restrict__ d,
                                   T* momenta, const T* angles, const T* jointRates) {
  using Vector = typename A::template Vector<T>;
  SinesAndCosines(model, d, angles);
  PropagateVelocities(
      model, d, [&](int link, const auto&) { return jointRates[link]; },
      [&](int link, const Vector& v, const auto&) {
        const LinkParameters& L = model.links[link];
        ApplyRigidInertia(d.load[link], L.mass, L.inertia, L.centreOfMass, v);
      });
  SumInward(model, d, static_cast<const Vector*>(d.load),
            [&](int link, const Vector& momentum) { JointComponent(momenta[link], momentum); });
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
