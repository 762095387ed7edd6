// The recursions on one state of a tree, in a workspace's storage: the forward dynamics of
// tree_evaluation.h, and the momenta, the mass matrix and the frames beside it.
#pragma once

#include "dynamics/tree/tree_model.h"

namespace pendula {

// Bytes of the one-state working data of a tree of n joints (ModelWorkspace::Storage::one).
std::size_t OneTreeStateBytes(int n);

// (p, q) -> (ṗ, q̇) of one state, torques (n values or null) beside the damping.
void TreeForwardDynamics(const Model::Data& model, ModelWorkspace::Storage& w, const double* p,
                         const double* q, const double* torques, double* pdot, double* qdot);

// p = A(q)·q̇: outward v_i = X_i v_λ(i) + S q̇_i; inward H_i = I_i v_i + Σ_c Xf_c H_c, p_i = Sᵀ H_i.
void TreeMomenta(const Model::Data& model, ModelWorkspace::Storage& w, const double* q,
                 const double* qdot, double* p);

// A(q) by composite rigid bodies: Ic_i = I_i + Σ_c Xf_c Ic_c Xf_cᵀ; A_ii = Sᵀ Ic_i S and, up
// the path to the base, A_ij = A_ji = S_jᵀ Xf ... Xf Ic_i S_i.
void TreeMassMatrix(const Model::Data& model, ModelWorkspace::Storage& w, const double* q,
                    double* matrix);

// Each joint frame's rotation (to base coordinates, row-major) and origin in the base frame,
// into w.rotation and w.origin.
void TreeFrames(const Model::Data& model, ModelWorkspace::Storage& w, const double* q);

// The articulated inertia D_i = Sᵀ M_i S of each joint at the state (p, q), into D (n values).
void TreeJointInertias(const Model::Data& model, ModelWorkspace::Storage& w, const double* p,
                       const double* q, double* D);

}  // namespace pendula
