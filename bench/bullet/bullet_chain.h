// pendula's chain rebuilt in Bullet's btMultiBody, whose forward dynamics is an articulated-body
// recursion like pendula's, in double precision, for any number of links.
//
// The same mechanism, link for link: a fixed base and n links in series, each turning about its
// own z axis at its joint, mass 1, centre of mass 0.5 along the link, rotational inertia about
// the centre of mass diag(0.01, 0.08, 0.08) (so 0.33 about the joint, as in pendula), the next
// joint 1 along the link, gravity (0, -9.80665, 0) as the weight of every link at its centre of
// mass. Bullet's joint angle of a revolute joint turns the link counterclockwise about the axis,
// like pendula's, and is measured from the parent link: its joint coordinates are pendula's
// relative joint angles. Joint k is element k - 1 of every array below.
//
// btMultiBody's defaults that are not part of the plain Lagrangian system are switched off:
// linear and angular damping (0.04 each by default, a drag on every link's motion), and the
// clamp of every joint rate to 100 rad/s. Its gyroscopic term ω × Iω is kept: it
// is part of the equations of motion, and it vanishes here, since ω lies along z, a principal
// axis of every link. The joint's own damping and friction fields are unused by Bullet.
#pragma once

#include <BulletDynamics/Featherstone/btMultiBody.h>
#include <LinearMath/btAlignedObjectArray.h>

#include <memory>
#include <vector>

#include "pendula/chain.h"

namespace pendula {
namespace comparison {

struct BulletChain {
  std::unique_ptr<btMultiBody> body;
  // Working storage that Bullet's recursion asks its caller for, sized on the first call.
  btAlignedObjectArray<btScalar> scratchReals;
  btAlignedObjectArray<btVector3> scratchVectors;
  btAlignedObjectArray<btMatrix3x3> scratchMatrices;
  std::vector<double> savedJointRates;  // one per joint
  btVector3 gravity{0.0, -9.80665, 0.0};
};

// Builds a chain of `links` links (at least 1).
BulletChain MakeBulletChain(int links);
// The chain of a description, link for link. Bullet keeps each link's frame at its centre of
// mass with its principal axes as coordinate axes (its inertia is diagonal there), so the joint
// axis, the pivots and the turn from the parent are expressed in those frames.
BulletChain MakeBulletChain(const ChainDescription& description);

// The number of links (and joints) of the chain.
int BulletLinkCount(const BulletChain& chain);

// Joint angles q (radians) and joint rates q̇ into Bullet's state; the applied forces are
// cleared and the weights of the links applied.
void SetBulletState(BulletChain& chain, const double* angles, const double* jointRates);

// The joint accelerations q̈ of the state last set, by Bullet's forward dynamics
// (computeAccelerationsArticulatedBodyAlgorithmMultiDof) under the weights and whatever forces
// have been added since; the state itself is left as it was.
void BulletJointAccelerations(BulletChain& chain, double* jointAccelerations);

// W = M(q)^-1 at the angles last set, dense and row by row (inverse[n * i + j] is W_ij): column j
// is the joint accelerations that a unit torque on joint j alone gives from rest without gravity,
// which Bullet's articulated-body recursion computes without forming M.
void BulletInverseMassMatrix(BulletChain& chain, double* inverse);

}  // namespace comparison
}  // namespace pendula
