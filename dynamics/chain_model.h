// The chain model: the one description of an N-link chain that every chain of its kind shares
// (step size, base motion, gravity, link constants), constant once set up,
// and the joint-torque settings that every evaluation is given beside it.
//
// Numbering: body 0 is the fixed base, links 1 to N run from the base to the free tip, joint k
// turns link k relative to body k-1. Every per-link array holds link k at element k - 1.
#pragma once

#include "dynamics/link_arrays.h"
#include "dynamics/program_chain.h"
#include "dynamics/sine_table.h"
#include "dynamics/spatial_types.h"

namespace pendula {

// The link counts a chain model may have. Nothing in the recursion depends on the count; the
// bound keeps one evaluation's working data (a few kilobytes per link and lane) on the stack.
constexpr int MaxLinkCount = 256;
// Standard gravity, m/s^2, acting along the base's -y axis.
constexpr double StandardGravity = 9.80665;

// The constants of one link, in the order set-up writes them.
struct LinkParameters {
  double inertia[6];       // rotational inertia about the link origin: xx, xy, xz, yy, yz, zz
  double centreOfMass[3];  // in link coordinates
  double mass;
  double a;         // offset of the link origin along x of the twisted parent frame
  double d;         // offset along z of the twisted parent frame, entering as -d
  double sinAlpha;  // sine of the twist alpha about the parent's x axis
  double cosAlpha;  // cosine of the twist
};

// The link of the program's chains (ProgramLink), as the fixed-count model stores it.
constexpr LinkParameters UniformLink = {
    {ProgramLink().inertia[0], ProgramLink().inertia[1], ProgramLink().inertia[2],
     ProgramLink().inertia[3], ProgramLink().inertia[4], ProgramLink().inertia[5]},
    {ProgramLink().centreOfMass[0], ProgramLink().centreOfMass[1], ProgramLink().centreOfMass[2]},
    ProgramLink().mass,
    ProgramLink().a,
    ProgramLink().d,
    0.0,  // sinAlpha: the program's link has no twist
    1.0,  // cosAlpha
};
static_assert(ProgramLink().alpha == 0.0, "UniformLink's sinAlpha and cosAlpha assume no twist");

// How much of the 6-D arithmetic the model's constants call for (ClassifyChainModel).
//   General: every term, by the 6-D algebra.
//   InPlane: every link untwisted and unshifted (d = 0, sinAlpha = 0, cosAlpha = 1), every
//            centre of mass with z = 0, every inertia with xz = yz = 0, gravity and the base
//            motion in the base xy plane: the in-plane algebra gives the same numbers.
enum class ModelShape { General, InPlane };

// Where an evaluation takes the sines and cosines of the joint angles: the sine table by its
// lookup rule (the program's chains), or the standard library's std::sin and std::cos (smooth in
// the angle, for integrators that need that).
enum class SineSource { Table, Library };

// The model every chain of N links shares; constant after set-up.
template <int N>
struct ChainModel {
  static_assert(N >= 1 && N <= MaxLinkCount, "a chain has 1 to 256 links");

  double stepSize;             // the Heun step h, seconds
  SpatialVector baseVelocity;  // motion of the fixed base: zero
  SpatialVector gravity;       // (0, -9.80665, 0, 0, 0, 0) in base coordinates; linear part read
  LinkParameters links[N];
  const SineTable* sineTable;  // the only source of sines and cosines
  // Decided once from the constants above by ClassifyChainModel, not on every evaluation.
  ModelShape shape;
  // The lanes of a pack in which StepChains carries chains side by side: the widest that this
  // build and this CPU have, unless the caller chooses another (2, 4 or 8).
  int laneWidth;
};

// The model of a chain whose link count is known at run time only: the same quantities, the
// links in storage that whoever builds the model owns. The Heun step's h is given with
// every step.
template <>
struct ChainModel<DynamicLinkCount> {
  SpatialVector baseVelocity;
  SpatialVector gravity;
  const LinkParameters* links;  // linkCount of them, link k at element k - 1
  int linkCount;
  const SineTable* sineTable;  // null when the sines come from the library
  SineSource sines;
  ModelShape shape;
  int laneWidth;
};

// The number of links: N, a constant, for a fixed count, so that the loops over the links
// compile as they always have; the stored count for a run-time one.
template <int N>
constexpr int LinkCount(const ChainModel<N>&) {
  return N;
}
inline int LinkCount(const ChainModel<DynamicLinkCount>& model) {
  return model.linkCount;
}

// Where the model's evaluations take their sines: the table for every fixed count.
template <int N>
constexpr SineSource SinesOf(const ChainModel<N>&) {
  return SineSource::Table;
}
inline SineSource SinesOf(const ChainModel<DynamicLinkCount>& model) {
  return model.sines;
}

// The viscous friction coefficient b (torque -b·q̇ on every joint) and the torque τ that drives
// joint 1, in force for an evaluation. With perJointTorques the working data's applied-torque
// vector already holds a torque for every joint, written by the caller, and appliedTorque is not
// used.
struct JointTorqueSettings {
  double frictionCoefficient;
  double appliedTorque;
  bool perJointTorques = false;
};

// Settings that take every joint's torque from the working data's applied-torque vector.
inline JointTorqueSettings PerJoint(double friction) {
  return JointTorqueSettings{friction, 0.0, true};
}

// The widest lane pack that this build and this CPU can step chains in: 8 (AVX-512F), 4 (AVX2)
// or 2 (SSE2, every x86-64 CPU).
int WidestLaneWidth();

// The shape that the model's link constants, gravity and base motion allow. Set-up stores it;
// whatever changes those afterwards must store it again.
template <int N>
ModelShape ClassifyChainModel(const ChainModel<N>& model) {
  const SpatialVector& v0 = model.baseVelocity;
  bool inPlane = (model.gravity[2] == 0.0) & (v0[2] == 0.0) & (v0[3] == 0.0) & (v0[4] == 0.0);
  for (int link = 0; link < LinkCount(model); ++link) {
    const LinkParameters& L = model.links[link];
    inPlane &= (L.d == 0.0) & (L.sinAlpha == 0.0) & (L.cosAlpha == 1.0);
    inPlane &= (L.centreOfMass[2] == 0.0) & (L.inertia[2] == 0.0) & (L.inertia[4] == 0.0);
  }
  return inPlane ? ModelShape::InPlane : ModelShape::General;
}

// Calls f(PlaneAlgebra{}) for a model of the InPlane shape and f(SpatialAlgebra{}) for any
// other: the one place where the shape decides which algebra evaluates the model.
template <int N, typename F>
decltype(auto) WithAlgebraOf(const ChainModel<N>& model, F&& f) {
  if (model.shape == ModelShape::InPlane) return f(PlaneAlgebra{});
  return f(SpatialAlgebra{});
}

// Sets the model up for N links of the given constants, all alike, hanging from a base at rest
// in standard gravity, with the step size and the sine table (which must outlive the model).
template <int N>
void SetUpChainModel(ChainModel<N>& model, double stepSize, const SineTable& table,
                     const LinkParameters& link = UniformLink) {
  model.stepSize = stepSize;
  model.sineTable = &table;
  model.baseVelocity = SpatialVector{{0.0, 0.0, 0.0, 0.0, 0.0, 0.0}};
  model.gravity = SpatialVector{{0.0, -StandardGravity, 0.0, 0.0, 0.0, 0.0}};
  for (LinkParameters& L : model.links) L = link;
  model.shape = ClassifyChainModel(model);
  model.laneWidth = WidestLaneWidth();
}

}  // namespace pendula
