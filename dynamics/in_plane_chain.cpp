#include "dynamics/in_plane_chain.h"

#include <type_traits>

#include "dynamics/joint_torques.h"
#include "dynamics/spatial_algebra.h"

namespace pendula {
namespace {

template <typename T>
using Joints = T[LinkCount];

// Link k's transform, untwisted and unshifted: a and the joint angle's sine and cosine.
template <typename T>
struct PlaneTransform {
  double a;
  T sinTheta;
  T cosTheta;
};

// The working quantities of one evaluation of one chain or of a pair. The recursions run
// through locals and this record, whose address never escapes, so the compiler keeps the carried
// values in registers and need not reload what it has stored (it cannot rule out that the
// caller's arrays alias the workspace). For one chain the shared workspace receives copies, for
// whoever inspects it.
template <typename T>
struct PassResults {
  T sine[LinkCount];                     // s_k
  T cosine[LinkCount];                   // c_k
  T gravity[LinkCount][3];               // g_k
  PlaneInertiaOf<T> inertia[LinkCount];  // M_k
  PlaneVectorOf<T> bias[LinkCount];      // beta_k
  T inverseD[LinkCount];                 // 1/D_k
  PlaneVectorOf<T> velocity[LinkCount];  // v_k
  T friction[LinkCount];                 // -b qdot_k
  PlaneVectorOf<T> force[LinkCount];     // F_k
};

template <typename T>
constexpr bool Single = std::is_same_v<T, double>;

// The shared workspace for one chain; nothing for a pair.
template <typename T>
using WorkspaceOf = std::conditional_t<Single<T>, ChainWorkspace, void>;

template <typename T>
inline PlaneTransform<T> TransformOf(const PassResults<T>& r, const ChainModel& model, int link) {
  return PlaneTransform<T>{model.links[link].a, r.sine[link], r.cosine[link]};
}

// Stage 1: s_k, c_k from the table, at the places the step gives or at those of q. All the
// index arithmetic comes first and the 40 reads (per lane) back to back: table entries are
// often not in cache, and this way their misses overlap instead of waiting behind the divisions.
template <typename T>
inline void SinesAndCosines(WorkspaceOf<T>* w, PassResults<T>& r, const Joints<T>& q,
                            const JointTablePlaces<T>* given) {
  JointTablePlaces<T> own;
  if (given == nullptr) {
    TablePlacesOf(own, q);
    given = &own;
  }
  for (int link = 0; link < LinkCount; ++link) {
    r.sine[link] = EntriesAt<T>(given->sine[link]);
    r.cosine[link] = EntriesAt<T>(given->cosine[link]);
    if constexpr (Single<T>) {
      w->sine[link] = r.sine[link];
      w->cosine[link] = r.cosine[link];
    }
  }
}

// The places of the predicted angles q + h·qdot, formed exactly as the Heun predictor forms
// those angles, and their entries fetched.
template <typename T>
inline void PredictedTablePlaces(JointTablePlaces<T>& out, const Joints<T>& q,
                                 const Joints<T>& qdot, double h) {
  for (int link = 0; link < LinkCount; ++link) {
    TablePlacesOfLink(out, link, q[link] + h * qdot[link]);
    for (int lane = 0; lane < LaneCount<T>; ++lane) {
      PrefetchSineAt(out.sine[link][lane]);
      PrefetchSineAt(out.cosine[link][lane]);
    }
  }
}

// Stage 2 (outward): g_k = Rz(q_k)^T g_{k-1}, g_0 the linear part of the model's gravity.
template <typename T>
inline void GravityInLinkFrames(WorkspaceOf<T>* w, PassResults<T>& r, const ChainModel& model) {
  T parent[3] = {LaneSplat<T>(model.gravity[0]), LaneSplat<T>(model.gravity[1]),
                 LaneSplat<T>(model.gravity[2])};
  for (int link = 0; link < LinkCount; ++link) {
    T(&g)[3] = r.gravity[link];
    RotateToChildInPlane(g, parent, r.sine[link], r.cosine[link]);
    for (int i = 0; i < 3; ++i) parent[i] = g[i];
    if constexpr (Single<T>) {
      for (int i = 0; i < 3; ++i) w->gravity[link][i] = g[i];
    }
  }
}

// Stage 3 (inward): M_k = rigid inertia + link k+1's slot, beta_k = 0 + link k+1's slot (link
// 20 has no child); for k >= 2 the slots X (M_k - U U^T/D) X^T and X (beta_k + U (p_k -
// beta_k5)/D).
template <typename T>
inline void ArticulatedInertiasAndBiases(WorkspaceOf<T>* w, PassResults<T>& r,
                                         const ChainModel& model, const Joints<T>& p) {
  PlaneInertiaOf<T> inertiaSlot{};
  PlaneVectorOf<T> biasSlot{};
  for (int link = LinkCount - 1; link >= 0; --link) {
    const LinkParameters& L = model.links[link];
    PlaneInertiaOf<T> M;
    PlaneVectorOf<T> beta;
    if (link == LinkCount - 1) {
      RigidInertiaInPlane(M, L.mass, L.inertia, L.centreOfMass);
      beta = PlaneVectorOf<T>{LaneSplat<T>(0.0), LaneSplat<T>(0.0), LaneSplat<T>(0.0)};
    } else {
      BuildArticulatedInertiaInPlane(M, L.mass, L.inertia, L.centreOfMass, inertiaSlot);
      SumChildVectorInPlane(beta, biasSlot);
    }
    // One division per link serves both transfers and the joint rate of stage 4.
    const T inverseD = 1.0 / M.m55;
    r.inertia[link] = M;
    r.bias[link] = beta;
    r.inverseD[link] = inverseD;
    if constexpr (Single<T>) {
      StoreInPlane(w->articulatedInertia[link], M);
      StoreInPlane(w->articulatedBias[link], beta);
      w->inverseJointInertia[link] = inverseD;
    }
    if (link == 0) break;  // link 1 transfers nothing to the base
    const PlaneTransform<T> X = TransformOf(r, model, link);
    TransferArticulatedInertiaInPlane(inertiaSlot, M, X, inverseD);
    TransferArticulatedBiasInPlane(biasSlot, beta, M, p[link], X, inverseD);
    if constexpr (Single<T>) {
      StoreInPlane(w->inertiaSlot[link], inertiaSlot);
      StoreInPlane(w->biasSlot[link], biasSlot);
    }
  }
}

// Stage 4 (outward): v'_k = X_k^T v_{k-1}, qdot_k = (p_k - beta_k5 - U^T v'_k)/D,
// v_k = v'_k + S qdot_k.
template <typename T>
inline void JointRatesAndVelocities(WorkspaceOf<T>* w, PassResults<T>& r, const ChainModel& model,
                                    const Joints<T>& p, Joints<T>& qdot) {
  const SpatialVector& base = model.baseVelocity;
  PlaneVectorOf<T> parent{LaneSplat<T>(base[0]), LaneSplat<T>(base[1]), LaneSplat<T>(base[5])};
  for (int link = 0; link < LinkCount; ++link) {
    const PlaneTransform<T> X = TransformOf(r, model, link);
    PlaneVectorOf<T> vPrime, v;
    T rate;
    TransformMotionToChildInPlane(vPrime, parent, X);
    SolveJointRateInPlane(rate, p[link], r.bias[link], vPrime, r.inertia[link], r.inverseD[link]);
    AddJointRateInPlane(v, vPrime, rate);
    r.velocity[link] = v;
    if constexpr (Single<T>) {
      StoreInPlane(w->parentVelocity[link], vPrime);
      StoreInPlane(w->velocity[link], v);
    }
    qdot[link] = rate;
    parent = v;
  }
}

// Stage 5: the applied torque on joint 1, then friction -b qdot_k on every joint, by the torque
// routines; for one chain into the workspace. Stage 6 takes the applied torque from
// AppliedTorqueOn.
template <typename T>
inline void JointTorques(WorkspaceOf<T>* w, PassResults<T>& r, const Joints<T>& q,
                         const Joints<T>& qdot) {
  if constexpr (Single<T>) {
    AppliedTorque(w->appliedTorque, q, qdot);
    JointFriction(w->frictionTorque, qdot);
    for (int joint = 0; joint < LinkCount; ++joint) r.friction[joint] = w->frictionTorque[joint];
  } else {
    JointFriction(r.friction, qdot);
  }
}

// Stage 6 (inward): l_k = weight + joint torques about S, F_k = l_k + link k+1's slot;
// for k >= 2 the slot X_k F_k.
template <typename T>
inline void SubtreeForces(WorkspaceOf<T>* w, PassResults<T>& r, const ChainModel& model) {
  PlaneVectorOf<T> forceSlot{};
  for (int link = LinkCount - 1; link >= 0; --link) {
    const LinkParameters& L = model.links[link];
    PlaneVectorOf<T> weight, load, F;
    GravityForceInPlane(weight, r.gravity[link], L.centreOfMass, L.mass);
    AddJointTorquesInPlane(load, weight, AppliedTorqueOn(link), r.friction[link]);
    if (link == LinkCount - 1) {
      F = load;
    } else {
      AddChildVectorInPlane(F, load, forceSlot);
    }
    r.force[link] = F;
    if constexpr (Single<T>) {
      StoreInPlane(w->weight[link], weight);
      StoreInPlane(w->load[link], load);
      StoreInPlane(w->subtreeForce[link], F);
    }
    if (link == 0) break;  // link 1 transfers nothing to the base
    TransformForceToParentInPlane(forceSlot, F, TransformOf(r, model, link));
    if constexpr (Single<T>) StoreInPlane(w->forceSlot[link], forceSlot);
  }
}

// Stage 7: pdot_k = F_k5 - (v_k x* (M_k v_k + beta_k))_5.
template <typename T>
inline void MomentumRates(const PassResults<T>& r, Joints<T>& pdot) {
  for (int link = 0; link < LinkCount; ++link) {
    JointMomentumRateInPlane(pdot[link], r.force[link], r.inertia[link], r.bias[link],
                             r.velocity[link]);
  }
}

// The seven stages in order.
template <typename T>
inline void Evaluate(WorkspaceOf<T>* w, const ChainModel& model, const Joints<T>& p,
                     const Joints<T>& q, Joints<T>& pdot, Joints<T>& qdot,
                     const StepLookahead<T>& lookahead) {
  PassResults<T> r;
  SinesAndCosines<T>(w, r, q, lookahead.given);
  GravityInLinkFrames<T>(w, r, model);
  ArticulatedInertiasAndBiases<T>(w, r, model, p);
  JointRatesAndVelocities<T>(w, r, model, p, qdot);
  if (lookahead.predicted != nullptr)
    PredictedTablePlaces(*lookahead.predicted, q, qdot, lookahead.h);
  JointTorques<T>(w, r, q, qdot);
  SubtreeForces<T>(w, r, model);
  MomentumRates(r, pdot);
}

}  // namespace

void EvaluateInPlaneChain(ChainWorkspace& w, const ChainModel& model, const Joints<double>& p,
                          const Joints<double>& q, Joints<double>& pdot, Joints<double>& qdot,
                          const StepLookahead<double>& lookahead) {
  Evaluate<double>(&w, model, p, q, pdot, qdot, lookahead);
}

void EvaluateInPlaneChainPair(const ChainModel& model, const Joints<DoublePair>& p,
                              const Joints<DoublePair>& q, Joints<DoublePair>& pdot,
                              Joints<DoublePair>& qdot,
                              const StepLookahead<DoublePair>& lookahead) {
  Evaluate<DoublePair>(nullptr, model, p, q, pdot, qdot, lookahead);
}

}  // namespace pendula
