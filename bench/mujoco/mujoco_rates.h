// What pendula computes, obtained from MuJoCo for the same state of a chain of any length: the
// momenta p = M(q) q̇, the joint rates q̇ = M(q)^-1 p and the momentum rates ṗ. Joint k is element
// k - 1 of every array, each as long as the chain has links.
#pragma once

#include "bench/mujoco/mujoco_chain.h"

namespace pendula {
namespace comparison {

// p = M(q) q̇ with MuJoCo's mass matrix.
void MuJoCoMomenta(MuJoCoChain& chain, const double* angles, const double* jointRates,
                   double* momenta);

// q̇ = M(q)^-1 p by MuJoCo's factorisation of its mass matrix.
void MuJoCoJointRates(MuJoCoChain& chain, const double* angles, const double* momenta,
                      double* jointRates);

// ṗ = d/dt (M(q) q̇) along MuJoCo's motion from (q, q̇), with viscous friction b and the drive τ
// as pendula applies them: friction -b q̇_k as a moment on link k alone, τ on joint 1.
void MuJoCoMomentumRates(MuJoCoChain& chain, const double* angles, const double* jointRates,
                         double friction, double drive, double* momentumRates);
// The same with a torque on every joint (its generalized force) and friction about each joint's
// axis, for a chain of any description.
void MuJoCoMomentumRates(MuJoCoChain& chain, const double* angles, const double* jointRates,
                         double friction, const double* torques, double* momentumRates);

}  // namespace comparison
}  // namespace pendula
