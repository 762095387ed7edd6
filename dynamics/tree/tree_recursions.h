// The recursions on a tree, joints in parent-before-child order (λ(i) < i): each outward pass is
// a loop forward over the joints that reads its parent's slot, each inward pass a loop backward
// that adds each joint's result into its parent's slot. Legend (joint i, in its own frame about
// its origin; S = e5 for a revolute joint, e2 for a prismatic one):
//   X_i      the joint's transform at q_i (Xf moves forces to the parent, Xfᵀ motions back)
//   M_i      articulated inertia of the subtree of i, joints below i free
//   beta_i   articulated bias: H_i = M_i v_i + beta_i is the subtree's momentum
//   U, D     M_i S and Sᵀ M_i S
//   v_i      velocity;  F_i  subtree force (weights, and the torques of the joints at i)
// No call allocates; every slot is written before it is read.
#pragma once

#include "dynamics/tree/tree_model.h"

namespace pendula {
namespace tree {

// The sines of the revolute joints' positions and every joint's transform X_i(q_i).
void FormTransforms(const Model::Data& model, ModelWorkspace::Storage& w, const double* q);

// (p, q) -> (ṗ, q̇), torques (n values or null) as generalized forces beside the damping:
//   inward   M_i = I_i + Σ_c Xf_c (M_c - U_c U_cᵀ/D_c) Xf_cᵀ,
//            beta_i = Σ_c Xf_c (beta_c + U_c (p_c - Sᵀbeta_c)/D_c)
//   outward  q̇_i = (p_i - Sᵀbeta_i - U_iᵀ X_i v_λ(i))/D_i,  v_i = X_i v_λ(i) + S q̇_i
//   inward   F_i = w_i + S τ_i + Σ_c Xf_c (F_c - S τ_c),  ṗ_i = Sᵀ F_i - Sᵀ(v_i ×* H_i)
// with w_i the body's weight about the joint origin and τ_i = torque_i - d_i q̇_i.
void ForwardDynamics(const Model::Data& model, ModelWorkspace::Storage& w, const double* p,
                     const double* q, const double* torques, double* pdot, double* qdot);

// p = A(q)·q̇: outward v_i = X_i v_λ(i) + S q̇_i; inward H_i = I_i v_i + Σ_c Xf_c H_c, p_i = Sᵀ H_i.
void Momenta(const Model::Data& model, ModelWorkspace::Storage& w, const double* q,
             const double* qdot, double* p);

// A(q) by composite rigid bodies: Ic_i = I_i + Σ_c Xf_c Ic_c Xf_cᵀ; A_ii = Sᵀ Ic_i S and, up
// the path to the base, A_ij = A_ji = S_jᵀ Xf ... Xf Ic_i S_i.
void MassMatrix(const Model::Data& model, ModelWorkspace::Storage& w, const double* q,
                double* matrix);

// Each joint frame's rotation (to base coordinates, row-major) and origin in the base frame.
void Frames(const Model::Data& model, ModelWorkspace::Storage& w, const double* q);

}  // namespace tree
}  // namespace pendula
