// The working arrays of the Jacobian over the lane type T (a double, one state, or a pack of W
// states side by side, lanes.h), and how they are carved out of one block of values.
#pragma once

#include <cstddef>

#include "dynamics/derivatives/jacobian_storage.h"
#include "dynamics/lanes/code_target.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// The working arrays of JacobianStorage as T: per joint the rotation (9), origin (3), the
// six-vectors (6 each) and inertias (10 each), q̇ (1), five six-vectors again by component (30);
// n by n each the factor, A^-1, P, G and the scratch of the solves.
template <typename T>
struct JacobianArrays {
  int n;
  const JacobianJoint* joints;
  T *rotation, *origin, *axis, *parentVelocity, *velocity, *momentum, *wrench, *alpha, *u, *mu, *e,
      *rho, *body, *composite, *rates, *columns;
  T *factor, *inverse, *pq, *gq, *gv;
};

// The four blocks of JacobianArrays<T>: each n by n, row r at block + r·stride.
template <typename T>
struct JacobianBlocksOf {
  T *dpdotDp, *dpdotDq, *dqdotDp, *dqdotDq;
  int stride;
};

// The values of T that JacobianArrays<T> needs for n joints, one block after another in the
// order of its fields.
inline std::size_t JacobianArrayCount(int n) {
  const std::size_t joints = static_cast<std::size_t>(n);
  return joints * (9 + 3 + 6 * 10 + 10 * 2 + 1 + 30) + 5 * joints * joints;
}

// The arrays carved out of `values` (JacobianArrayCount(n) of them).
template <typename T>
JacobianArrays<T> JacobianArraysIn(T* values, int n, const JacobianJoint* joints) {
  const std::size_t m = static_cast<std::size_t>(n);
  JacobianArrays<T> a;
  a.n = n;
  a.joints = joints;
  T* next = values;
  auto take = [&next](std::size_t count) {
    T* at = next;
    next += count;
    return at;
  };
  a.rotation = take(9 * m);
  a.origin = take(3 * m);
  a.axis = take(6 * m);
  a.parentVelocity = take(6 * m);
  a.velocity = take(6 * m);
  a.momentum = take(6 * m);
  a.wrench = take(6 * m);
  a.alpha = take(6 * m);
  a.u = take(6 * m);
  a.mu = take(6 * m);
  a.e = take(6 * m);
  a.rho = take(6 * m);
  a.body = take(10 * m);
  a.composite = take(10 * m);
  a.rates = take(m);
  a.columns = take(30 * m);
  a.factor = take(m * m);
  a.inverse = take(m * m);
  a.pq = take(m * m);
  a.gq = take(m * m);
  a.gv = take(m * m);
  return a;
}

// Whether every joint's parent is the joint before it: a chain, in which the ancestors of each
// joint are the joints before it and every pair of joints is in one branch.
template <typename T>
bool IsChain(const JacobianArrays<T>& s) {
  for (int j = 0; j < s.n; ++j) {
    if (s.joints[j].parent != j - 1) return false;
  }
  return true;
}

// The storage's arrays in the form the arithmetic takes.
inline JacobianArrays<double> JacobianArraysOf(JacobianStorage& s) {
  JacobianArrays<double> a;
  a.n = s.n;
  a.joints = s.joints.data();
  a.rotation = s.rotation.data();
  a.origin = s.origin.data();
  a.axis = s.axis.data();
  a.parentVelocity = s.parentVelocity.data();
  a.velocity = s.velocity.data();
  a.momentum = s.momentum.data();
  a.wrench = s.wrench.data();
  a.alpha = s.alpha.data();
  a.u = s.u.data();
  a.mu = s.mu.data();
  a.e = s.e.data();
  a.rho = s.rho.data();
  a.body = s.body.data();
  a.composite = s.composite.data();
  a.rates = s.rates.data();
  a.columns = s.columns.data();
  a.factor = s.factor.get();
  a.inverse = s.inverse.get();
  a.pq = s.pq.get();
  a.gq = s.gq.get();
  a.gv = s.gv.get();
  return a;
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
