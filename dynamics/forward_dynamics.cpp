#include "dynamics/forward_dynamics.h"

#include <cassert>

#include "dynamics/chain_model.h"
#include "dynamics/joint_torques.h"
#include "dynamics/sine_table.h"
#include "dynamics/spatial_algebra.h"

namespace pendula {
namespace {

using Joints = double[LinkCount];

// Link k's transform. For an untwisted model d, sinAlpha and cosAlpha are written as the
// literals they equal, so that the inlined kernels settle their tests for them at compile time
// instead of on every call.
template <ModelShape shape>
inline LinkTransform TransformOf(const LinkParameters& L, double sinTheta, double cosTheta) {
  if constexpr (shape != ModelShape::General) {
    return LinkTransform{L.a, 0.0, 0.0, 1.0, sinTheta, cosTheta};
  } else {
    return TransformOfLink(L, sinTheta, cosTheta);
  }
}

// Copies what the stages computed into the workspace: for an in-plane model components 0, 1, 5
// only, the others being exact zeros that were never formed.
template <ModelShape shape>
inline void Keep(SpatialVector& out, const SpatialVector& x) {
  if constexpr (shape == ModelShape::InPlane) {
    for (int i : InPlaneComponents) out[i] = x[i];
  } else {
    out = x;
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
template <ModelShape shape>
inline void GravityInLinkFrames(ChainWorkspace& w, const ChainModel& model) {
  double parent[3] = {model.gravity[0], model.gravity[1], model.gravity[2]};
  for (int link = 0; link < LinkCount; ++link) {
    const LinkParameters& L = model.links[link];
    double(&g)[3] = w.gravity[link];
    const LinkTransform X = TransformOf<shape>(L, w.sine[link], w.cosine[link]);
    RotateToChild(g, parent, X.sinAlpha, X.cosAlpha, X.sinTheta, X.cosTheta);
    for (int i = 0; i < 3; ++i) parent[i] = g[i];
  }
}

// Stage 3 (inward): M_k = rigid inertia + transferred children, beta_k = transferred biases;
// for k >= 2 the slots X (M_k - U U^T/D) X^T and X (beta_k + U (p_k - beta_k[5])/D).
template <ModelShape shape>
inline void ArticulatedInertiasAndBiases(ChainWorkspace& w, const ChainModel& model,
                                         const Joints& p) {
  for (int link = LinkCount - 1; link >= 0; --link) {
    const LinkParameters& L = model.links[link];
    ArticulatedInertia& M = w.articulatedInertia[link];
    if constexpr (shape == ModelShape::InPlane) {
      BuildArticulatedInertiaInPlane(M, model.inertiaContributions[link], L.mass, L.inertia,
                                     L.centreOfMass);
      SumChildVectorsInPlane(w.articulatedBias[link], model.biasContributions[link]);
    } else {
      BuildArticulatedInertia(M, model.inertiaContributions[link], L.mass, L.inertia,
                              L.centreOfMass);
      SumChildVectors(w.articulatedBias[link], model.biasContributions[link]);
    }
    // One division per link serves both transfers and the joint rate of stage 4.
    const double inverseD = 1.0 / M[DEntry];
    w.inverseJointInertia[link] = inverseD;
    if (link == 0) break;  // link 1 transfers nothing to the base
    const LinkTransform X = TransformOf<shape>(L, w.sine[link], w.cosine[link]);
    if constexpr (shape == ModelShape::InPlane) {
      TransferArticulatedInertiaInPlane(w.inertiaSlot[link], M, X, inverseD);
      TransferArticulatedBiasInPlane(w.biasSlot[link], w.articulatedBias[link], M, p[link], X,
                                     inverseD);
    } else {
      TransferArticulatedInertia(w.inertiaSlot[link], M, X);
      TransferArticulatedBias(w.biasSlot[link], w.articulatedBias[link], M, p[link], X, inverseD);
    }
  }
}

// Stage 4 (outward): v'_k = X_k^T v_{k-1}, qdot_k = (p_k - beta_k[5] - U^T v'_k)/D,
// v_k = v'_k + S qdot_k.
template <ModelShape shape>
inline void JointRatesAndVelocities(ChainWorkspace& w, const ChainModel& model, const Joints& p,
                                    Joints& qdot) {
  // The recursion runs through locals, so that the compiler need not reload what it has just
  // stored (it cannot rule out that qdot aliases the workspace); the workspace gets copies.
  SpatialVector parent = model.baseVelocity;
  for (int link = 0; link < LinkCount; ++link) {
    const LinkTransform X = TransformOf<shape>(model.links[link], w.sine[link], w.cosine[link]);
    const ArticulatedInertia& M = w.articulatedInertia[link];
    SpatialVector vPrime, v;
    double rate;
    if constexpr (shape == ModelShape::InPlane) {
      TransformMotionToChildInPlane(vPrime, parent, X);
      SolveJointRateInPlane(rate, p[link], w.articulatedBias[link], vPrime, M,
                            w.inverseJointInertia[link]);
      AddJointRateInPlane(v, vPrime, rate);
    } else {
      TransformMotionToChild(vPrime, parent, X);
      SolveJointRate(rate, p[link], w.articulatedBias[link], vPrime, M,
                     w.inverseJointInertia[link]);
      AddJointRate(v, vPrime, rate);
    }
    Keep<shape>(w.parentVelocity[link], vPrime);
    Keep<shape>(w.velocity[link], v);
    qdot[link] = rate;
    Keep<shape>(parent, v);
  }
}

// Stage 5: the applied torque on joint 1, then friction -b qdot_k on every joint.
inline void JointTorques(ChainWorkspace& w, const Joints& q, const Joints& qdot) {
  AppliedTorque(w.appliedTorque, q, qdot);
  JointFriction(w.frictionTorque, qdot);
}

// Stage 6 (inward): l_k = weight + joint torques about S, F_k = l_k + transferred children;
// for k >= 2 the slot X_k F_k.
template <ModelShape shape>
inline void SubtreeForces(ChainWorkspace& w, const ChainModel& model) {
  for (int link = LinkCount - 1; link >= 0; --link) {
    const LinkParameters& L = model.links[link];
    SpatialVector weight, load, F;
    if constexpr (shape == ModelShape::InPlane) {
      GravityForceInPlane(weight, w.gravity[link], L.centreOfMass, L.mass);
      AddJointTorquesInPlane(load, weight, w.appliedTorque[link], w.frictionTorque[link]);
      AddChildVectorsInPlane(F, load, model.forceContributions[link]);
    } else {
      GravityForce(weight, w.gravity[link], L.centreOfMass, L.mass);
      AddJointTorques(load, weight, w.appliedTorque[link], w.frictionTorque[link]);
      AddChildVectors(F, load, model.forceContributions[link]);
    }
    Keep<shape>(w.weight[link], weight);
    Keep<shape>(w.load[link], load);
    Keep<shape>(w.subtreeForce[link], F);
    if (link == 0) break;  // link 1 transfers nothing to the base
    const LinkTransform X = TransformOf<shape>(L, w.sine[link], w.cosine[link]);
    if constexpr (shape == ModelShape::InPlane) {
      TransformForceToParentInPlane(w.forceSlot[link], F, X);
    } else {
      TransformForceToParent(w.forceSlot[link], F, X);
    }
  }
}

// Stage 7: pdot_k = F_k[5] - (v_k x* (M_k v_k + beta_k))[5].
template <ModelShape shape>
inline void MomentumRates(const ChainWorkspace& w, Joints& pdot) {
  for (int link = 0; link < LinkCount; ++link) {
    if constexpr (shape == ModelShape::InPlane) {
      JointMomentumRateInPlane(pdot[link], w.subtreeForce[link], w.articulatedInertia[link],
                               w.articulatedBias[link], w.velocity[link]);
    } else {
      JointMomentumRate(pdot[link], w.subtreeForce[link], w.articulatedInertia[link],
                        w.articulatedBias[link], w.velocity[link]);
    }
  }
}

// The seven stages in order.
template <ModelShape shape>
void Evaluate(ChainWorkspace& w, const ChainModel& model, const Joints& p, const Joints& q,
              Joints& pdot, Joints& qdot) {
  SinesAndCosines(w, q);
  GravityInLinkFrames<shape>(w, model);
  ArticulatedInertiasAndBiases<shape>(w, model, p);
  JointRatesAndVelocities<shape>(w, model, p, qdot);
  JointTorques(w, q, qdot);
  SubtreeForces<shape>(w, model);
  MomentumRates<shape>(w, pdot);
}

}  // namespace

void ForwardDynamics(const double (&momenta)[20], const double (&angles)[20],
                     double (&momentumRates)[20], double (&jointRates)[20]) {
  static_assert(LinkCount == 20, "the public interface is written for 20 links");
  ChainWorkspace& w = chainWorkspace;
  const ChainModel& model = chainModel;
  // A model changed after set-up without its shape stored again would be evaluated by
  // arithmetic that assumes what no longer holds.
  assert(model.shape == ClassifyChainModel(model));
  switch (model.shape) {
    case ModelShape::InPlane:
      Evaluate<ModelShape::InPlane>(w, model, momenta, angles, momentumRates, jointRates);
      break;
    case ModelShape::Untwisted:
      Evaluate<ModelShape::Untwisted>(w, model, momenta, angles, momentumRates, jointRates);
      break;
    case ModelShape::General:
      Evaluate<ModelShape::General>(w, model, momenta, angles, momentumRates, jointRates);
      break;
  }
}

}  // namespace pendula
