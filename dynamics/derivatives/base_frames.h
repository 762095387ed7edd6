// Each body's frame, axis and inertia in base coordinates at q, and the composite inertia of the
// subtree that each joint moves, over the lane type T (a double or a pack, lane by lane).
#pragma once

#include <cstddef>
#include <type_traits>

#include "dynamics/derivatives/column_runs.h"
#include "dynamics/derivatives/jacobian_arrays.h"
#include "dynamics/derivatives/six_vectors.h"
#include "dynamics/lanes/code_target.h"
#include "dynamics/lanes/lanes.h"
#include "dynamics/trigonometry/exact_sines.h"
#include "dynamics/trigonometry/sine_table.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {
namespace jacobian {

// sin q and cos q as the model takes them (null table: the exact ones, ExactSineAndCosine), lane by
// lane for a pack.
template <typename T>
inline void SineAndCosine(const SineTable* table, const T& q, T& s, T& c) {
  if constexpr (std::is_same_v<T, double>) {
    if (table == nullptr) {
      ExactSineAndCosine(q, s, c);
    } else {
      s = SineFromTable(*table, q);
      c = CosineFromTable(*table, q);
    }
  } else {
    for (int lane = 0; lane < static_cast<int>(sizeof(T) / sizeof(double)); ++lane) {
      double sl = 0.0, cl = 0.0;
      SineAndCosine(table, static_cast<double>(q[lane]), sl, cl);
      s[lane] = sl;
      c[lane] = cl;
    }
  }
}

// The bodies' inertias about the base origin (s.body) from their frames, for the V's run of
// joints from j on: r = R c from the frame origin, c_w = o + r, the inertia about the frame
// origin turned into base axes, R I Rᵀ, then moved to the base origin by the parallel-axis
// theorem twice: + m(|c_w|² 1 - c_w c_wᵀ) - m(|r|² 1 - r rᵀ). For one state's doubles a pack
// runs several joints side by side in its lanes, each lane a joint's operations.
template <typename V, typename T>
void BodyInertias(const JacobianArrays<T>& s, std::ptrdiff_t j) {
  // A joint constant as the arithmetic takes it: a double for one joint, else lane by lane.
  using K = std::conditional_t<std::is_same_v<V, T>, double, V>;
  const auto constant = [&](auto field) {
    if constexpr (std::is_same_v<K, double>) {
      return field(s.joints[j]);
    } else {
      K k;
      for (int lane = 0; lane < RunLength<V>::value; ++lane) k[lane] = field(s.joints[j + lane]);
      return k;
    }
  };
  V R[9], o[3];
  GatherRuns(s.rotation + 9 * j, 9, 9, R);
  GatherRuns(s.origin + 3 * j, 3, 3, o);
  K centre[3], I[6];
  for (int i = 0; i < 3; ++i) {
    centre[i] = constant([i](const JacobianJoint& J) { return J.centreOfMass[i]; });
  }
  for (int i = 0; i < 6; ++i) {
    I[i] = constant([i](const JacobianJoint& J) { return J.inertia[i]; });
  }
  const K m = constant([](const JacobianJoint& J) { return J.mass; });
  V r[3], c[3];
  for (std::ptrdiff_t i = 0; i < 3; ++i) {
    r[i] = R[3 * i] * centre[0] + R[3 * i + 1] * centre[1] + R[3 * i + 2] * centre[2];
    c[i] = o[i] + r[i];
  }
  const K full[9] = {I[0], I[1], I[2], I[1], I[3], I[4], I[2], I[4], I[5]};
  V RI[9], turned[9];
  Multiply3(R, full, RI);
  for (std::ptrdiff_t row = 0; row < 3; ++row) {
    for (std::ptrdiff_t col = 0; col < 3; ++col) {
      turned[3 * row + col] = RI[3 * row] * R[3 * col] + RI[3 * row + 1] * R[3 * col + 1] +
                              RI[3 * row + 2] * R[3 * col + 2];
    }
  }
  const V cc = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
  const V rr = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
  static const int rows[6] = {0, 0, 0, 1, 1, 2}, cols[6] = {0, 1, 2, 1, 2, 2};
  V B[10];
  if constexpr (std::is_same_v<K, double>) {
    B[0] = LaneSplat<V>(m);
  } else {
    B[0] = m;
  }
  for (int i = 0; i < 3; ++i) B[1 + i] = m * c[i];
  for (int k = 0; k < 6; ++k) {
    const int row = rows[k], col = cols[k];
    const double diagonal = row == col ? 1.0 : 0.0;
    B[4 + k] = turned[3 * row + col] + m * (cc * diagonal - c[row] * c[col]) -
               m * (rr * diagonal - r[row] * r[col]);
  }
  ScatterRuns(B, 10, 10, s.body + 10 * j);
}

// Each body's frame, axis and inertia in base coordinates at q: the frames outward, then the
// bodies' inertias (BodyInertias).
template <typename T>
void Kinematics(const JacobianArrays<T>& s, const SineTable* table, const T* q) {
  const T one = LaneSplat<T>(1.0), zero = T{};
  const T identity[9] = {one, zero, zero, zero, one, zero, zero, zero, one};
  const T origin0[3] = {zero, zero, zero};
  for (int j = 0; j < s.n; ++j) {
    const JacobianJoint& J = s.joints[j];
    const T* parentRotation = J.parent < 0 ? identity : &s.rotation[9 * J.parent];
    const T* parentOrigin = J.parent < 0 ? origin0 : &s.origin[3 * J.parent];
    // E = Rz(gamma)·Rx(alpha)
    const double cg = J.cosGamma, sg = J.sinGamma, ca = J.cosAlpha, sa = J.sinAlpha;
    const double E[9] = {cg, -sg * ca, sg * sa, sg, cg * ca, -cg * sa, 0.0, sa, ca};
    T joint[9];
    Multiply3(parentRotation, E, joint);
    const T shift[3] = {LaneSplat<T>(J.shift[0]), LaneSplat<T>(J.shift[1]),
                        J.turns ? LaneSplat<T>(J.shift[2]) : J.shift[2] + q[j]};
    T* o = &s.origin[3 * j];
    for (int r = 0; r < 3; ++r) {
      o[r] = parentOrigin[r] +
             (joint[3 * r] * shift[0] + joint[3 * r + 1] * shift[1] + joint[3 * r + 2] * shift[2]);
    }
    T* R = &s.rotation[9 * j];
    if (J.turns) {
      T sq = zero, cq = zero;
      SineAndCosine(table, q[j], sq, cq);
      if (J.spun) {  // Rz(q)·Rz(delta), as the recursions form it
        const T s0 = sq, c0 = cq;
        sq = s0 * J.cosDelta + c0 * J.sinDelta;
        cq = c0 * J.cosDelta - s0 * J.sinDelta;
      }
      const T Z[9] = {cq, -sq, zero, sq, cq, zero, zero, zero, one};
      Multiply3(joint, Z, R);
    } else {
      for (int i = 0; i < 9; ++i) R[i] = joint[i];
    }
    const T a[3] = {R[2], R[5], R[8]};
    T* S = &s.axis[6 * j];
    if (J.turns) {
      for (int i = 0; i < 3; ++i) S[i] = a[i];
      Cross(o, a, S + 3);
    } else {
      for (int i = 0; i < 3; ++i) S[i] = zero, S[3 + i] = a[i];
    }
    for (std::ptrdiff_t i = 0; i < 6; ++i) s.columns[i * s.n + j] = S[i];
  }
  ForColumnRuns<T>(0, s.n, [&](auto run, std::ptrdiff_t j) { BodyInertias<decltype(run)>(s, j); });
}

// I^C_j, the sum of the bodies' inertias beyond joint j, inward (every parent comes before its
// children).
template <typename T>
void CompositeInertias(const JacobianArrays<T>& s) {
  const int n = s.n;
  for (int i = 0; i < 10 * n; ++i) s.composite[i] = s.body[i];
  for (int j = n - 1; j >= 0; --j) {
    const int parent = s.joints[j].parent;
    if (parent < 0) continue;
    for (int i = 0; i < 10; ++i) s.composite[10 * parent + i] += s.composite[10 * j + i];
  }
}

}  // namespace jacobian
}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
