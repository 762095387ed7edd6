// What the Jacobian of the dynamics reads and works in: each joint's constants in the one form
// that chains and trees share, and the working data of one state, sized once for n joints.
//
// A joint's frame lies in its parent body's as Rz(gamma)·Rx(alpha)·T(t)·[Rz(q) | Tz(q)], its
// axis along its own z, its body's inertia about the frame's origin in the frame's axes (a
// chain's link is gamma = 0, t = (a, 0, -d)).
#pragma once

#include <memory>
#include <vector>

#include "dynamics/trigonometry/sine_table.h"

namespace pendula {

struct JacobianJoint {
  int parent;  // -1 for the base
  bool turns;  // revolute, else prismatic
  double sinAlpha, cosAlpha, sinGamma, cosGamma;
  double sinDelta, cosDelta;  // the body turned by Rz(q)·Rz(delta) when spun
  bool spun;
  double shift[3];
  double mass;
  double centreOfMass[3];
  double inertia[6];  // about the frame origin: xx, xy, xz, yy, yz, zz
  double damping;     // the generalized force -damping·q̇ at the joint
};

// Where the four blocks go: each n by n, row r of a block at block + r·stride.
struct JacobianBlocks {
  double* dpdotDp;
  double* dpdotDq;
  double* dqdotDp;
  double* dqdotDq;
  int stride;
};

// Six-vectors below are (angular; linear) in base coordinates, about the base's origin.
struct JacobianStorage {
  explicit JacobianStorage(int joints);
  int n;
  std::vector<JacobianJoint> joints;
  // Per joint: the body's rotation (9) and origin (3); the axis S, the parent's velocity w, the
  // body's velocity v, the subtree's momentum h, its external wrench F (weights and friction
  // couples), I^C S, S x w, (I^C (S x w)) - S x* h, S x (0; g), S x* F - I^C (S x (0; g)): 6 each;
  // the body's and the subtree's inertia (mass, first moment, inertia about the base origin): 10.
  std::vector<double> rotation, origin, axis, parentVelocity, velocity, momentum, wrench, alpha, u,
      mu, e, rho, body, composite;
  std::vector<double> rates;  // q̇
  // The axes, u, e, mu and rho again, component by component (component k of joint j's at
  // block + k·n + j), 5 blocks of 6n, so that a chain's dot products run over runs of columns.
  std::vector<double> columns;
  std::vector<double> vectors;  // 3n, for the callers' use
  // n by n each, row by row, not initialised (for 1,000 joints they are 8 MB each, taken from
  // the system only when first written): A and its Cholesky factor L, A^-1, P = ∂(A v)/∂q at
  // fixed v, G = ∂ṗ/∂q at fixed q̇, and L^-1 then L^-1 P.
  // A itself when a caller keeps it.
  std::unique_ptr<double[]> factor, inverse, pq, gq, gv, mass;
};

// The four blocks of the Jacobian of (ṗ, q̇) with respect to (p, q) at one state, the sines of q
// from the table (null: the exact ones, ExactSineAndCosine). friction b: the couple -b·q̇_k on each
// link k about its axis, on the link alone (a chain's friction; 0 for a tree). Joint torques are
// generalized forces independent of the state: they add nothing.
void JacobianOfDynamics(JacobianStorage& storage, const double (&gravity)[3],
                        const SineTable* table, double friction, const double* p, const double* q,
                        const JacobianBlocks& out);

// What the blocks are made of, at one state: A (into storage.mass when keepMass) and its
// Cholesky factor, q̇, P = ∂(A v)/∂q and G = ∂ṗ/∂q at fixed v = q̇ (storage.pq, storage.gq), so
// that ∂ṗ/∂q̇ = Pᵀ - F with F the generalized friction. false where A is not positive definite
// (a state that is not finite).
bool MomentumFormDerivatives(JacobianStorage& storage, const double (&gravity)[3],
                             const SineTable* table, double friction, const double* p,
                             const double* q, bool keepMass);
// M += scale·F (stride: M's row length), and out += scale·F·x, F the generalized friction of
// the joints' damping and the links' couples b: b (z_a·z_d) at (a, d), a = d or an ancestor.
void AddFrictionMatrix(const JacobianStorage& storage, double friction, double* M, int stride,
                       double scale);
void AddFrictionTimes(const JacobianStorage& storage, double friction, const double* x, double* out,
                      double scale);

}  // namespace pendula
