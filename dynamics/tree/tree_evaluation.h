// The forward dynamics of a tree, written once for one state (T = double) or a pack of states
// side by side (T a lane pack): joints in parent-before-child order (λ(i) < i), each outward pass
// a loop forward over the joints that reads its parent's slot, each inward pass a loop backward
// that adds each joint's result into its parent's slot. Legend (joint i, in its own frame about
// its origin; S = e5 for a revolute joint, e2 for a prismatic one):
//   X_i      the joint's transform at q_i (Xf moves forces to the parent, Xfᵀ motions back)
//   M_i      articulated inertia of the subtree of i, joints below i free
//   beta_i   articulated bias: H_i = M_i v_i + beta_i is the subtree's momentum
//   U, D     M_i S and Sᵀ M_i S
//   v_i      velocity;  F_i  subtree force (weights, and the torques of the joints at i)
// Every slot is written before it is read; nothing allocates.
#pragma once

#include <cmath>
#include <type_traits>

#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"
#include "dynamics/lanes/link_arrays.h"
#include "dynamics/spatial/spatial_kernels.h"
#include "dynamics/tree/tree_kernels.h"
#include "dynamics/tree/tree_model.h"
#include "dynamics/trigonometry/exact_sines.h"
#include "dynamics/trigonometry/sine_table.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace tree {

// The working data of one state or one pack of states: an array of one slot per joint each,
// carved out of a block by ForEachTreeArray.
template <typename T>
struct TreeData {
  joints::JointTransformOf<T>* transform;
  ArticulatedInertiaOf<T>* inertia;  // M_i (articulated, or composite for the mass matrix)
  SpatialVectorOf<T>* bias;          // beta_i
  SpatialVectorOf<T>* velocity;      // v_i
  SpatialVectorOf<T>* force;         // loads, summed into subtree forces
  T* inverseD;                       // 1 / Sᵀ M_i S
  T* torque;                         // each joint's generalized force
  T* velocityTerm;                   // (v_i x* H_i)·S
  T (*gravity)[3];                   // gravity in the joint's frame
};

// f(array) for every array of the data (LinkArena binds them, LinkBytes counts their bytes).
template <typename T, typename F>
void ForEachTreeArray(TreeData<T>& d, F& f) {
  f(d.transform);
  f(d.inertia);
  f(d.bias);
  f(d.velocity);
  f(d.force);
  f(d.inverseD);
  f(d.torque);
  f(d.velocityTerm);
  f(d.gravity);
}

// sin q and cos q as the model takes them, lane by lane for a pack.
template <typename T>
inline void SineAndCosine(const Model::Data& model, const T& q, T& s, T& c) {
  if constexpr (std::is_same_v<T, double>) {
    if (model.sineTable == nullptr) {
      ExactSineAndCosine(q, s, c);
    } else {
      s = SineFromTable(*model.sineTable, q);
      c = CosineFromTable(*model.sineTable, q);
    }
  } else if (model.sineTable == nullptr) {
    ExactSineAndCosine(q, s, c);
  } else {
    for (int lane = 0; lane < LaneCount<T>; ++lane) {
      double sl, cl;
      SineAndCosine(model, static_cast<double>(q[lane]), sl, cl);
      s[lane] = sl;
      c[lane] = cl;
    }
  }
}

// Every joint's transform X_i(q_i).
template <typename T>
inline void FormTransforms(const Model::Data& model, TreeData<T>& w, const T* q) {
  const int n = static_cast<int>(model.joints.size());
  for (int i = 0; i < n; ++i) {
    const JointConstants& J = model.joints[i];
    joints::JointTransformOf<T>& X = w.transform[i];
    X.turns = J.turns;
    X.tx = J.shift[0];
    X.ty = J.shift[1];
    X.tz = LaneSplat<T>(J.shift[2]);
    X.sinAlpha = J.sinAlpha;
    X.cosAlpha = J.cosAlpha;
    X.twisted = J.sinAlpha != 0.0 || J.cosAlpha != 1.0;
    X.sinGamma = J.sinGamma;
    X.cosGamma = J.cosGamma;
    X.turned = J.sinGamma != 0.0 || J.cosGamma != 1.0;
    if (J.turns) {
      SineAndCosine(model, q[i], X.s, X.c);
      if (J.spun) {  // Rz(q)·Rz(delta)
        const T s = X.s, c = X.c;
        X.s = s * J.cosDelta + c * J.sinDelta;
        X.c = c * J.cosDelta - s * J.sinDelta;
      }
    } else {
      X.s = LaneSplat<T>(0.0);
      X.c = LaneSplat<T>(1.0);
      X.tz = X.tz + q[i];  // the slide along z enters the shift
    }
  }
}

template <typename T>
inline void AddInto(SpatialVectorOf<T>& sum, const SpatialVectorOf<T>& x) {
  for (int k = 0; k < 6; ++k) sum[k] = sum[k] + x[k];
}

template <typename T>
inline void AddInto(ArticulatedInertiaOf<T>& sum, const ArticulatedInertiaOf<T>& x) {
  for (int k = 0; k < 21; ++k) sum[k] = sum[k] + x[k];
}

// (p, q) -> (ṗ, q̇), torques (n values, or null for none) as generalized forces beside the damping:
//   inward   M_i = I_i + Σ_c Xf_c (M_c - U_c U_cᵀ/D_c) Xf_cᵀ,
//            beta_i = Σ_c Xf_c (beta_c + U_c (p_c - Sᵀbeta_c)/D_c)
//   outward  q̇_i = (p_i - Sᵀbeta_i - U_iᵀ X_i v_λ(i))/D_i,  v_i = X_i v_λ(i) + S q̇_i
//   inward   F_i = w_i + S τ_i + Σ_c Xf_c (F_c - S τ_c),  ṗ_i = Sᵀ F_i - Sᵀ(v_i ×* H_i)
// with w_i the body's weight about the joint origin and τ_i = torque_i - d_i q̇_i.
template <typename T>
inline void ForwardDynamics(const Model::Data& model, TreeData<T>& w, const T* p, const T* q,
                            const T* torques, T* pdot, T* qdot) {
  using namespace joints;
  using Vector = SpatialVectorOf<T>;
  const int n = static_cast<int>(model.joints.size());
  const Vector zero = {{LaneSplat<T>(0.0), LaneSplat<T>(0.0), LaneSplat<T>(0.0), LaneSplat<T>(0.0),
                        LaneSplat<T>(0.0), LaneSplat<T>(0.0)}};
  FormTransforms(model, w, q);
  // Inward: M_i, beta_i, handed to the parent. A joint's slots start as its body's inertia and
  // no bias, written by the first child to reach them (that child's share added): the sums'
  // order is the children's, highest index first. A leaf's slots are never written: its inertia
  // is its body's and its bias none, the same in every lane, and its share of them the model's.
  for (int i = n - 1; i >= 0; --i) {
    const JointConstants& J = model.joints[i];
    const int axis = AxisIndex(J.turns);
    ArticulatedInertiaOf<T> slot;
    Vector handed;
    if (J.hasChildren) {
      const ArticulatedInertiaOf<T>& M = w.inertia[i];
      const Vector& beta = w.bias[i];
      const T inverseD = 1.0 / M[InertiaEntry(axis, axis)];
      w.inverseD[i] = inverseD;
      if (J.parent < 0) continue;
      ProjectOutAxis(slot, M, axis, inverseD);
      // beta_i + U (p_i - Sᵀbeta_i)/D
      const T share = (p[i] - beta[axis]) * inverseD;
      for (int k = 0; k < 6; ++k) handed[k] = beta[k] + M[InertiaEntry(k, axis)] * share;
    } else {
      const ArticulatedInertia& M = model.rigid[i];
      const double inverseD = model.inverseRigidD[i];
      w.inverseD[i] = LaneSplat<T>(inverseD);
      if (J.parent < 0) continue;
      for (int k = 0; k < 21; ++k) slot[k] = LaneSplat<T>(model.freeRigid[i][k]);
      const T share = p[i] * inverseD;  // p_i - Sᵀbeta_i is p_i, to the bit
      for (int k = 0; k < 6; ++k) handed[k] = zero[k] + M[InertiaEntry(k, axis)] * share;
    }
    InertiaToParentInPlace(slot, w.transform[i]);
    Vector biasSlot;
    ForceToParent(biasSlot, handed, w.transform[i]);
    if (J.firstChild) {
      const ArticulatedInertia& rigid = model.rigid[J.parent];
      for (int k = 0; k < 21; ++k) w.inertia[J.parent][k] = LaneSplat<T>(rigid[k]) + slot[k];
      for (int k = 0; k < 6; ++k) w.bias[J.parent][k] = zero[k] + biasSlot[k];
    } else {
      AddInto(w.inertia[J.parent], slot);
      AddInto(w.bias[J.parent], biasSlot);
    }
  }
  // Outward: q̇_i, v_i, the velocity term of ṗ_i, gravity and each body's load; a leaf's
  // inertia and bias read from the model.
  const auto outward = [&](int i, const auto& M, const Vector& beta)
      __attribute__((always_inline)) {
    const JointConstants& J = model.joints[i];
    const JointTransformOf<T>& X = w.transform[i];
    const int axis = AxisIndex(J.turns);
    Vector v;
    MotionToChild(v, J.parent < 0 ? zero : w.velocity[J.parent], X);
    T Uv = M[InertiaEntry(0, axis)] * v[0];
    for (int k = 1; k < 6; ++k) Uv = Uv + M[InertiaEntry(k, axis)] * v[k];
    const T rate = ((p[i] - beta[axis]) - Uv) * w.inverseD[i];
    qdot[i] = rate;
    v[axis] = v[axis] + rate;
    w.velocity[i] = v;
    Vector H;
    Apply(H, M, v);
    AddInto(H, beta);
    w.velocityTerm[i] = AxisCrossForce(v, H, J.turns);
    // g_i = Eᵀ g_λ(i); the weight m g_i acts at the centre of mass.
    T gp[3];
    for (int k = 0; k < 3; ++k) {
      gp[k] = J.parent < 0 ? LaneSplat<T>(model.gravity[k]) : w.gravity[J.parent][k];
    }
    RotateToChild(w.gravity[i], gp, X);
    Vector& load = w.force[i];
    GravityForce(load, w.gravity[i], J.centreOfMass, J.mass);
    const T applied = torques == nullptr ? LaneSplat<T>(0.0) : torques[i];
    const T tau = applied - J.damping * rate;
    w.torque[i] = tau;
    load[axis] = load[axis] + tau;
  };
  for (int i = 0; i < n; ++i) {
    if (model.joints[i].hasChildren) {
      outward(i, w.inertia[i], w.bias[i]);
    } else {
      outward(i, model.rigid[i], zero);
    }
  }
  // Inward: F_i, ṗ_i; the parent takes F_i less the joint's own torque, which reacts on it.
  for (int i = n - 1; i >= 0; --i) {
    const JointConstants& J = model.joints[i];
    Vector F = w.force[i];
    const int axis = AxisIndex(J.turns);
    pdot[i] = F[axis] - w.velocityTerm[i];
    if (J.parent < 0) continue;
    F[axis] = F[axis] - w.torque[i];
    Vector slot;
    ForceToParent(slot, F, w.transform[i]);
    AddInto(w.force[J.parent], slot);
  }
}

}  // namespace tree
}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
