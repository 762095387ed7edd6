// The derivatives of the dynamics: the Jacobian of (ṗ, q̇) = f(p, q) with respect to (p, q) for
// a chain (chain.h) and a tree (model.h), exact (by recursions derived from the evaluation, not
// by differences), in four N by N blocks:
//   ∂ṗ/∂p, ∂ṗ/∂q, ∂q̇/∂p = A(q)^-1, ∂q̇/∂q = -A^-1 ∂(A q̇)/∂q.
// Joint torques are generalized forces that do not depend on the state: their Jacobian is the
// identity block of ṗ (∂ṗ/∂τ = I) and nothing of q̇, and the blocks above do not depend on them.
// Without friction or damping the Jacobian is Hamiltonian: ∂q̇/∂p and ∂ṗ/∂q are symmetric and
// ∂ṗ/∂p = -(∂q̇/∂q)ᵀ. With the sine table the model's force is piecewise constant in q; the
// blocks are then those of the smooth model, evaluated with the table's sines and cosines.
#pragma once

#include "chain.h"  // beside this header, in the tree and installed
#include "model.h"

namespace pendula {

// Where the blocks go, each N by N row by row (for a batch of n states, n such blocks one after
// another, state i's at i·N·N); none null, none overlapping another or an input.
struct DynamicsJacobian {
  double* dpdotDp = nullptr;
  double* dpdotDq = nullptr;
  double* dqdotDp = nullptr;
  double* dqdotDq = nullptr;
};

// The working data of the derivatives for chains or trees of one joint count N, made once
// (about 5·N² doubles, taken from the system when first written, and for N <= 64 about 9·N²
// more per lane of the widest lanes the CPU has, for a batch); one per thread.
struct DerivativesAccess;

class DerivativesWorkspace {
 public:
  explicit DerivativesWorkspace(const Chain& chain);
  explicit DerivativesWorkspace(const Model& model);
  ~DerivativesWorkspace();
  DerivativesWorkspace(DerivativesWorkspace&&) noexcept;
  DerivativesWorkspace& operator=(DerivativesWorkspace&&) noexcept;
  DerivativesWorkspace(const DerivativesWorkspace&) = delete;
  DerivativesWorkspace& operator=(const DerivativesWorkspace&) = delete;

  struct Storage;  // opaque

 private:
  friend struct DerivativesAccess;  // the library's own files
  std::unique_ptr<Storage> storage_;
};

// The four blocks at one state of a chain, with its friction b >= 0 (chain.h). The workspace
// must have been made for N joints and every torque must be finite (std::invalid_argument
// otherwise, in the words of chain.h); the torques change nothing else. O(N^3) arithmetic (a
// Cholesky factorisation of A and three products of N by N matrices), no allocation.
void Derivatives(const Chain& chain, DerivativesWorkspace& workspace, const double* momenta,
                 const double* angles, const DynamicsJacobian& out, double friction = 0.0,
                 const double* torques = nullptr);

// The same at states 0 .. count - 1, row by row, for N <= 64 side by side in lanes of 2, 4 or 8
// states; each state's blocks are bit for bit those of Derivatives at that state alone.
void DerivativesOfStates(const Chain& chain, DerivativesWorkspace& workspace, const double* momenta,
                         const double* angles, int count, const DynamicsJacobian& out,
                         double friction = 0.0, JointTorques torques = {});

// The four blocks at one state of a tree, with its joints' damping.
void Derivatives(const Model& model, DerivativesWorkspace& workspace, const double* momenta,
                 const double* positions, const DynamicsJacobian& out,
                 const double* torques = nullptr);
void DerivativesOfStates(const Model& model, DerivativesWorkspace& workspace, const double* momenta,
                         const double* positions, int count, const DynamicsJacobian& out,
                         JointTorques torques = {});

}  // namespace pendula
