// What pendula computes, obtained from Bullet for the same state of a chain of any length: the
// momenta p = M(q) q̇, the joint rates q̇ = M(q)^-1 p and the momentum rates ṗ. Joint k is element
// k - 1 of every array, each as long as the chain has links.
//
// Bullet never forms the mass matrix M; its articulated-body recursion gives W = M^-1 instead,
// column by column (BulletInverseMassMatrix), so M enters below only through solves with W.
#pragma once

#include "bench/bullet/bullet_chain.h"

namespace pendula {
namespace comparison {

// p = M(q) q̇: the solution of W(q) p = q̇.
void BulletMomenta(BulletChain& chain, const double* angles, const double* jointRates,
                   double* momenta);

// q̇ = W(q) p.
void BulletJointRates(BulletChain& chain, const double* angles, const double* momenta,
                      double* jointRates);

// ṗ = d/dt (M(q) q̇) along Bullet's motion from (q, q̇), with viscous friction b and the drive τ
// as pendula applies them: friction -b q̇_k as a moment on link k alone, τ on joint 1.
void BulletMomentumRates(BulletChain& chain, const double* angles, const double* jointRates,
                         double friction, double drive, double* momentumRates);
// The same with a torque on every joint and friction about each joint's axis, for a chain of any
// description.
void BulletMomentumRates(BulletChain& chain, const double* angles, const double* jointRates,
                         double friction, const double* torques, double* momentumRates);

}  // namespace comparison
}  // namespace pendula
