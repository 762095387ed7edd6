#include "dynamics/forward_dynamics.h"

#include <cassert>

#include "dynamics/chain_model.h"
#include "dynamics/in_plane_chain.h"
#include "dynamics/joint_sines.h"
#include "dynamics/joint_torques.h"
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
    BuildArticulatedInertia(M, model.inertiaContributions[link], L.mass, L.inertia, L.centreOfMass);
    SumChildVectors(w.articulatedBias[link], model.biasContributions[link]);
    // One division per link serves both transfers and the joint rate of stage 4.
    const double inverseD = 1.0 / M[DEntry];
    w.inverseJointInertia[link] = inverseD;
    if (link == 0) break;  // link 1 transfers nothing to the base
    const LinkTransform X = TransformOf<shape>(L, w.sine[link], w.cosine[link]);
    TransferArticulatedInertia(w.inertiaSlot[link], M, X);
    TransferArticulatedBias(w.biasSlot[link], w.articulatedBias[link], M, p[link], X, inverseD);
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
    TransformMotionToChild(vPrime, parent, X);
    SolveJointRate(rate, p[link], w.articulatedBias[link], vPrime, M, w.inverseJointInertia[link]);
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
template <ModelShape shape>
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
    const LinkTransform X = TransformOf<shape>(L, w.sine[link], w.cosine[link]);
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
template <ModelShape shape>
void Evaluate(ChainWorkspace& w, const ChainModel& model, const Joints& p, const Joints& q,
              Joints& pdot, Joints& qdot) {
  JointSinesAndCosines(w, q);
  GravityInLinkFrames<shape>(w, model);
  ArticulatedInertiasAndBiases<shape>(w, model, p);
  JointRatesAndVelocities<shape>(w, model, p, qdot);
  JointTorques(w, q, qdot);
  SubtreeForces<shape>(w, model);
  MomentumRates(w, pdot);
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
      EvaluateInPlaneChain(w, model, momenta, angles, momentumRates, jointRates);
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
