// The chain model: the one description of an n-link chain that every chain of its kind shares
// (base motion, gravity, link constants, where its sines come from), constant once built, and the
// joint-torque settings that every evaluation is given beside it.
//
// Numbering: body 0 is the fixed base, links 1 to n run from the base to the free tip, joint k
// turns link k relative to body k-1. Every per-link array holds link k at element k - 1.
#pragma once

#include "dynamics/spatial/spatial_types.h"
#include "dynamics/trigonometry/sine_table.h"
#include "pendula/chain.h"

namespace pendula {

// The link counts a chain model may have. Nothing in the recursion depends on the count; the
// bound keeps one evaluation's working data (a few kilobytes per link and lane) on the stack.
constexpr int MaxLinkCount = 256;

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

// How much of the 6-D arithmetic the model's constants call for (ClassifyChainModel).
//   General: every term, by the 6-D algebra.
//   InPlane: every link untwisted and unshifted (d = 0, sinAlpha = 0, cosAlpha = 1), every
//            centre of mass with z = 0, every inertia with xz = yz = 0, gravity and the base
//            motion in the base xy plane: the in-plane algebra gives the same numbers.
enum class ModelShape { General, InPlane };

// Where an evaluation takes the sines and cosines of the joint angles: the sine table by its
// lookup rule (the program's chains), or exact sines (exact_sines.h: smooth in the angle, for
// integrators that need that).
enum class SineSource { Table, Library };

// The model of a chain of linkCount links, in storage that whoever builds the model owns. The
// step size is given with every step.
struct ChainModel {
  SpatialVector baseVelocity;
  SpatialVector gravity;
  const LinkParameters* links;  // linkCount of them, link k at element k - 1
  int linkCount;
  const SineTable* sineTable;  // null when the sines are exact
  SineSource sines;
  ModelShape shape;
  int laneWidth;
};

inline int LinkCount(const ChainModel& model) {
  return model.linkCount;
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

// The shape that the model's link constants, gravity and base motion allow. Set-up stores it;
// whatever changes those afterwards must store it again.
inline ModelShape ClassifyChainModel(const ChainModel& model) {
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
template <typename F>
decltype(auto) WithAlgebraOf(const ChainModel& model, F&& f) {
  if (model.shape == ModelShape::InPlane) return f(PlaneAlgebra{});
  return f(SpatialAlgebra{});
}

}  // namespace pendula
