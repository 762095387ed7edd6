#include "dynamics/forward_dynamics.h"

#include "dynamics/chain_model.h"
#include "dynamics/joint_torques.h"
#include "dynamics/sine_table.h"
#include "dynamics/spatial_algebra.h"

namespace pendula {
namespace {

using Joints = double[LinkCount];

// Whether every link has d = 0 and no twist (sinAlpha = 0, cosAlpha = 1), as every link of this
// model has: the kernels then skip the d terms and the twist, by the same tests.
bool EveryLinkUntwistedAndUnshifted(const ChainModel& model) {
  for (const LinkParameters& L : model.links) {
    if (L.d != 0.0 || L.sinAlpha != 0.0 || L.cosAlpha != 1.0) return false;
  }
  return true;
}

// Link k's transform. When every link is untwisted and unshifted, d, sinAlpha and cosAlpha are
// written as the literals they equal, so that the inlined kernels settle their tests for them
// at compile time instead of on every call.
template <bool untwisted>
inline LinkTransform TransformOf(const LinkParameters& L, double sinTheta, double cosTheta) {
  if constexpr (untwisted) {
    return LinkTransform{L.a, 0.0, 0.0, 1.0, sinTheta, cosTheta};
  } else {
    return TransformOfLink(L, sinTheta, cosTheta);
  }
}

// Stage 1: s_k = sin q_k, c_k = cos q_k from the table, the angles taken as they are.
// All the index arithmetic first, then the 40 reads back to back: table entries are often not
// in cache, and this way their misses overlap instead of waiting behind the divisions.
inline void SinesAndCosines(ChainWorkspace& w, const Joints& q) {
  SineTablePlace sinePlace[LinkCount], cosinePlace[LinkCount];
  for (int link = 0; link < LinkCount; ++link) {
    sinePlace[link] = SineTablePlaceOf(q[link]);
    cosinePlace[link] = SineTablePlaceOf(HalfPi - q[link]);
  }
  for (int link = 0; link < LinkCount; ++link) {
    w.sine[link] = SineAt(sinePlace[link]);
    w.cosine[link] = SineAt(cosinePlace[link]);
  }
}

// Stage 2 (outward): g_k = E_k^T g_{k-1}, g_0 the linear part of the model's gravity.
template <bool untwisted>
inline void GravityInLinkFrames(ChainWorkspace& w, const ChainModel& model) {
  double parent[3] = {model.gravity[0], model.gravity[1], model.gravity[2]};
  for (int link = 0; link < LinkCount; ++link) {
    const LinkParameters& L = model.links[link];
    double(&g)[3] = w.gravity[link];
    const LinkTransform X = TransformOf<untwisted>(L, w.sine[link], w.cosine[link]);
    RotateToChild(g, parent, X.sinAlpha, X.cosAlpha, X.sinTheta, X.cosTheta);
    for (int i = 0; i < 3; ++i) parent[i] = g[i];
  }
}

// Stage 3 (inward): M_k = rigid inertia + transferred children, beta_k = transferred biases;
// for k >= 2 the slots X (M_k - U U^T/D) X^T and X (beta_k + U (p_k - beta_k[5])/D).
template <bool untwisted>
inline void ArticulatedInertiasAndBiases(ChainWorkspace& w, const ChainModel& model,
                                         const Joints& p) {
  for (int link = LinkCount - 1; link >= 0; --link) {
    const LinkParameters& L = model.links[link];
    BuildArticulatedInertia(w.articulatedInertia[link], model.inertiaContributions[link], L.mass,
                            L.inertia, L.centreOfMass);
    SumChildVectors(w.articulatedBias[link], model.biasContributions[link]);
    // One division per link serves both transfers and the joint rate of stage 4.
    w.inverseJointInertia[link] = 1.0 / w.articulatedInertia[link][DEntry];
    if (link == 0) break;  // link 1 transfers nothing to the base
    const LinkTransform X = TransformOf<untwisted>(L, w.sine[link], w.cosine[link]);
    TransferArticulatedInertia(w.inertiaSlot[link], w.articulatedInertia[link], X);
    TransferArticulatedBias(w.biasSlot[link], w.articulatedBias[link], w.articulatedInertia[link],
                            p[link], X, w.inverseJointInertia[link]);
  }
}

// Stage 4 (outward): v'_k = X_k^T v_{k-1}, qdot_k = (p_k - beta_k[5] - U^T v'_k)/D,
// v_k = v'_k + S qdot_k.
template <bool untwisted>
inline void JointRatesAndVelocities(ChainWorkspace& w, const ChainModel& model, const Joints& p,
                                    Joints& qdot) {
  // The recursion runs through locals, so that the compiler need not reload what it has just
  // stored (it cannot rule out that qdot aliases the workspace); the workspace gets copies.
  SpatialVector parent = model.baseVelocity;
  for (int link = 0; link < LinkCount; ++link) {
    const LinkTransform X = TransformOf<untwisted>(model.links[link], w.sine[link], w.cosine[link]);
    SpatialVector vPrime, v;
    double rate;
    TransformMotionToChild(vPrime, parent, X);
    SolveJointRate(rate, p[link], w.articulatedBias[link], vPrime, w.articulatedInertia[link],
                   w.inverseJointInertia[link]);
    AddJointRate(v, vPrime, rate);
    w.parentVelocity[link] = vPrime;
    w.velocity[link] = v;
    qdot[link] = rate;
    parent = v;
  }
}

// Stage 5: the applied torque on joint 1, then friction -b qdot_k on every joint.
inline void JointTorques(ChainWorkspace& w, const Joints& q, const Joints& qdot) {
  AppliedTorque(w.appliedTorque, q, qdot);
  JointFriction(w.frictionTorque, qdot);
}

// Stage 6 (inward): l_k = weight + joint torques about S, F_k = l_k + transferred children;
// for k >= 2 the slot X_k F_k.
template <bool untwisted>
inline void SubtreeForces(ChainWorkspace& w, const ChainModel& model) {
  for (int link = LinkCount - 1; link >= 0; --link) {
    const LinkParameters& L = model.links[link];
    SpatialVector weight, load, F;
    GravityForce(weight, w.gravity[link], L.centreOfMass, L.mass);
    AddJointTorques(load, weight, w.appliedTorque[link], w.frictionTorque[link]);
    AddChildVectors(F, load, model.forceContributions[link]);
    w.weight[link] = weight;
    w.load[link] = load;
    w.subtreeForce[link] = F;
    if (link == 0) break;  // link 1 transfers nothing to the base
    const LinkTransform X = TransformOf<untwisted>(L, w.sine[link], w.cosine[link]);
    TransformForceToParent(w.forceSlot[link], F, X);
  }
}

// Stage 7: pdot_k = F_k[5] - (v_k x* (M_k v_k + beta_k))[5].
inline void MomentumRates(const ChainWorkspace& w, Joints& pdot) {
  for (int link = 0; link < LinkCount; ++link) {
    JointMomentumRate(pdot[link], w.subtreeForce[link], w.articulatedInertia[link],
                      w.articulatedBias[link], w.velocity[link]);
  }
}

// The seven stages in order.
template <bool untwisted>
void Evaluate(ChainWorkspace& w, const ChainModel& model, const Joints& p, const Joints& q,
              Joints& pdot, Joints& qdot) {
  SinesAndCosines(w, q);
  GravityInLinkFrames<untwisted>(w, model);
  ArticulatedInertiasAndBiases<untwisted>(w, model, p);
  JointRatesAndVelocities<untwisted>(w, model, p, qdot);
  JointTorques(w, q, qdot);
  SubtreeForces<untwisted>(w, model);
  MomentumRates(w, pdot);
}

}  // namespace

void ForwardDynamics(const double (&momenta)[20], const double (&angles)[20],
                     double (&momentumRates)[20], double (&jointRates)[20]) {
  static_assert(LinkCount == 20, "the public interface is written for 20 links");
  ChainWorkspace& w = chainWorkspace;
  const ChainModel& model = chainModel;
  if (EveryLinkUntwistedAndUnshifted(model)) {
    Evaluate<true>(w, model, momenta, angles, momentumRates, jointRates);
  } else {
    Evaluate<false>(w, model, momenta, angles, momentumRates, jointRates);
  }
}

}  // namespace pendula
