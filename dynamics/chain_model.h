// The chain model: the one description of the 20-link chain that every chain of the
// World shares (step size, base motion, gravity, link constants, contribution lists), and the one
// working storage that the forward dynamics and the momentum initialisation
// overwrite on every evaluation.
//
// Numbering: body 0 is the fixed base, links 1 to 20 run from the base to the free tip, joint k
// turns link k relative to body k-1. Every per-link array below holds link k at element k - 1.
#pragma once

#include "dynamics/contribution_list.h"
#include "dynamics/spatial_algebra.h"

namespace pendula {

// Links in a chain.
constexpr int LinkCount = 20;
// Standard gravity, m/s^2, acting along the base's -y axis.
constexpr double StandardGravity = 9.80665;

// The constants of one link, in the order setUpModel writes them.
struct LinkParameters {
  double inertia[6];       // rotational inertia about the link origin: xx, xy, xz, yy, yz, zz
  double centreOfMass[3];  // in link coordinates
  double mass;
  double a;         // offset of the link origin along x of the twisted parent frame
  double d;         // offset along z of the twisted parent frame, entering as -d
  double sinAlpha;  // sine of the twist alpha about the parent's x axis
  double cosAlpha;  // cosine of the twist
};

// How much of the general arithmetic the model's constants call for (ClassifyChainModel).
//   General:   every term.
//   Untwisted: every link has d = 0 and no twist (sinAlpha = 0, cosAlpha = 1); the evaluation
//              passes these as literals, so the inlined kernels settle their tests at compile
//              time.
//   InPlane:   untwisted, and besides every centre of mass has z = 0, every inertia has
//              xz = yz = 0, and gravity and the base motion lie in the base xy plane: the
//              in-plane block {0, 1, 5} never couples to {2, 3, 4}; and the contribution lists
//              wire the links as one serial chain (link k collects link k+1's slots). The
//              in-plane kernels of spatial_algebra.h then do the work on the same numbers, and
//              each link's slots pass to its parent directly (in_plane_chain.h). This model is
//              InPlane.
enum class ModelShape { General, Untwisted, InPlane };

// The model every chain shares; constant after setUpModel.
struct ChainModel {
  double stepSize;             // the Heun step h, seconds
  SpatialVector baseVelocity;  // motion of the fixed base: zero
  SpatialVector gravity;       // (0, -9.80665, 0, 0, 0, 0) in base coordinates; linear part read
  LinkParameters links[LinkCount];
  // The topology: link k's lists reference link k+1's slots (k = 1..19); link 20's are empty.
  ContributionList<ArticulatedInertia> inertiaContributions[LinkCount];
  ContributionList<SpatialVector> biasContributions[LinkCount];
  ContributionList<SpatialVector> forceContributions[LinkCount];
  ContributionList<SpatialVector> momentumContributions[LinkCount];
  // Decided once from the constants and lists above by ClassifyChainModel, not on every evaluation:
  // the comparisons would cost about 7 % of one.
  ModelShape shape;
};

// The working quantities of one evaluation, shared by all chains (so evaluations must not
// overlap). Each is written before it is read within one call; nothing carries over. For an
// InPlane model an evaluation writes only the in-plane entries (M entries 0, 1, 5, 6, 10, 20 and
// vector components 0, 1, 5); the others keep what setUpModel wrote (zeros, and each link's own
// rigid-body inertia in articulatedInertia) or what an evaluation of another shape left.
// Frames: "link k" means link k's coordinates about link k's origin.
struct ChainWorkspace {
  // s_k, c_k: table sine and cosine of q_k.
  double sine[LinkCount];
  double cosine[LinkCount];
  // g_k: gravitational acceleration in link k coordinates.
  double gravity[LinkCount][3];
  // M_k: articulated inertia of links k..20 with the joints outboard of k free (stage 3).
  ArticulatedInertia articulatedInertia[LinkCount];
  // 1/D_k = 1/M_k(5,5), formed once in stage 3 for the transfers and the joint rate of stage 4.
  double inverseJointInertia[LinkCount];
  // beta_k: articulated bias, H_k = M_k·v_k + beta_k (stage 3).
  SpatialVector articulatedBias[LinkCount];
  // Link k's contribution to M_{k-1} and beta_{k-1}, in link k-1's frame (k >= 2).
  ArticulatedInertia inertiaSlot[LinkCount];
  SpatialVector biasSlot[LinkCount];
  // v'_k: velocity of body k-1 at link k's origin in link k coordinates (stage 4).
  SpatialVector parentVelocity[LinkCount];
  // v_k: spatial velocity of link k (stage 4).
  SpatialVector velocity[LinkCount];
  // Joint torques of stage 5: applied torque (joint 1 only) and viscous friction.
  double appliedTorque[LinkCount];
  double frictionTorque[LinkCount];
  // w_k: weight of link k as a force; l_k: w_k plus the torques of joint k (stage 6).
  SpatialVector weight[LinkCount];
  SpatialVector load[LinkCount];
  // F_k: loads of links k..20 about link k's origin (stage 6).
  SpatialVector subtreeForce[LinkCount];
  // Link k's contribution to F_{k-1}, in link k-1's frame (k >= 2).
  SpatialVector forceSlot[LinkCount];
  // h_k: momentum of link k alone; H_k: of links k..20.
  SpatialVector linkMomentum[LinkCount];
  SpatialVector subtreeMomentum[LinkCount];
  // Link k's contribution to H_{k-1}, in link k-1's frame (k >= 2).
  SpatialVector momentumSlot[LinkCount];
};

extern ChainModel chainModel;
extern ChainWorkspace chainWorkspace;

// The LinkTransform of link k (element `link` = k - 1) with the sine and cosine of q_k.
inline LinkTransform TransformOfLink(const LinkParameters& link, double sinTheta, double cosTheta) {
  return LinkTransform{link.a, link.d, link.sinAlpha, link.cosAlpha, sinTheta, cosTheta};
}

// The shape that model's link constants, gravity, base motion and contribution lists allow.
// setUpModel stores it in the model; whatever changes those afterwards must store it again.
ModelShape ClassifyChainModel(const ChainModel& model);

// setUpModel(stepSize) is declared in dynamics/dynamics.h.

}  // namespace pendula
