// The spatial algebra of a tree's joints: 6-D motions and forces (linear part first) and
// symmetric 6 by 6 inertias in 3 by 3 blocks, moved across a joint whose frame sits anywhere in
// its parent's. Every joint's frame has its axis along z, so a revolute joint's motion subspace is
// S = e5 (turning about z) and a prismatic one's S = e2 (sliding along z).
//
// A joint's transform is its fixed placement (rotation E0, child axes in parent coordinates, and
// the origin r0 in parent coordinates) followed by its motion: Rz(q) for a revolute joint, a shift
// by q along z for a prismatic one. For a frame with rotation E (child to parent) and origin r:
//   motion, parent to child:  ω' = Eᵀω,  v' = Eᵀ(v - r × ω)
//   force, child to parent:   f = E f',   n = E n' + r × (E f')
//   inertia, child to parent: M = Xf M' Xfᵀ, Xf the force transform.
// Written for T = double; every operation is lane by lane, so a lane pack would serve as well.
#pragma once

namespace pendula {
namespace tree {

template <typename T>
struct Vec3 {
  T x[3];
};

// (v, ω) for a motion, (f, n) for a force.
template <typename T>
struct Spatial {
  T lin[3];
  T ang[3];
};

// [[A, B], [Bᵀ, C]], A and C symmetric, full 3 by 3 storage, row-major.
template <typename T>
struct Inertia6 {
  T A[3][3];
  T B[3][3];
  T C[3][3];
};

// The rotation part of a joint's transform at q: the fixed rotation (9 doubles, row-major, or the
// identity) and, for a revolute joint, Rz(q) after it.
template <typename T>
struct JointRotation {
  const double* fixed;  // null: the identity
  bool turns;           // a revolute joint
  T s, c;               // sin q, cos q
};

// out = R x, R the rotation of the joint (child coordinates to parent).
template <typename T>
inline void ToParent(const JointRotation<T>& R, const T (&x)[3], T (&out)[3]) {
  T y[3];
  if (R.turns) {
    y[0] = R.c * x[0] - R.s * x[1];
    y[1] = R.s * x[0] + R.c * x[1];
    y[2] = x[2];
  } else {
    for (int i = 0; i < 3; ++i) y[i] = x[i];
  }
  if (R.fixed == nullptr) {
    for (int i = 0; i < 3; ++i) out[i] = y[i];
    return;
  }
  const double* E = R.fixed;
  for (int i = 0; i < 3; ++i) out[i] = E[3 * i] * y[0] + E[3 * i + 1] * y[1] + E[3 * i + 2] * y[2];
}

// out = Rᵀ x (parent coordinates to child).
template <typename T>
inline void ToChild(const JointRotation<T>& R, const T (&x)[3], T (&out)[3]) {
  T y[3];
  if (R.fixed == nullptr) {
    for (int i = 0; i < 3; ++i) y[i] = x[i];
  } else {
    const double* E = R.fixed;
    for (int j = 0; j < 3; ++j) y[j] = E[j] * x[0] + E[3 + j] * x[1] + E[6 + j] * x[2];
  }
  if (R.turns) {
    out[0] = R.c * y[0] + R.s * y[1];
    out[1] = R.c * y[1] - R.s * y[0];
    out[2] = y[2];
  } else {
    for (int i = 0; i < 3; ++i) out[i] = y[i];
  }
}

template <typename T, typename R>
inline void Cross(const R (&a)[3], const T (&b)[3], T (&out)[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

// Where a joint's frame lies in its parent's at q: its rotation and its origin r (parent
// coordinates): r0, plus q along the fixed frame's z for a prismatic joint.
template <typename T>
struct JointTransform {
  JointRotation<T> rotation;
  T r[3];
};

// v_child = X v_parent.
template <typename T>
inline void MotionToChild(const JointTransform<T>& X, const Spatial<T>& v, Spatial<T>& out) {
  T rw[3], w[3];
  Cross(X.r, v.ang, rw);
  for (int i = 0; i < 3; ++i) w[i] = v.lin[i] - rw[i];
  ToChild(X.rotation, w, out.lin);
  ToChild(X.rotation, v.ang, out.ang);
}

// f_parent = Xf f_child.
template <typename T>
inline void ForceToParent(const JointTransform<T>& X, const Spatial<T>& f, Spatial<T>& out) {
  T n[3], rf[3];
  ToParent(X.rotation, f.lin, out.lin);
  ToParent(X.rotation, f.ang, n);
  Cross(X.r, out.lin, rf);
  for (int i = 0; i < 3; ++i) out.ang[i] = n[i] + rf[i];
}

// out = R M Rᵀ for a 3 by 3 block: R applied to the columns, then to the rows.
template <typename T>
inline void RotateBlock(const JointRotation<T>& R, const T (&M)[3][3], T (&out)[3][3]) {
  T P[3][3];  // P = R M, column by column
  for (int j = 0; j < 3; ++j) {
    const T column[3] = {M[0][j], M[1][j], M[2][j]};
    T rotated[3];
    ToParent(R, column, rotated);
    for (int i = 0; i < 3; ++i) P[i][j] = rotated[i];
  }
  for (int i = 0; i < 3; ++i) {  // out = P Rᵀ, row by row: (R Pᵀ)ᵀ
    ToParent(R, P[i], out[i]);
  }
}

// out = Xf M Xfᵀ: the rotation of every block, then the shift by r,
//   A'' = A',  B'' = B' - A'[r]x,  C'' = C' + [r]x B' - B'ᵀ[r]x - [r]x A'[r]x.
template <typename T>
inline void InertiaToParent(const JointTransform<T>& X, const Inertia6<T>& M, Inertia6<T>& out) {
  Inertia6<T> Q;
  RotateBlock(X.rotation, M.A, Q.A);
  RotateBlock(X.rotation, M.B, Q.B);
  RotateBlock(X.rotation, M.C, Q.C);
  const T(&r)[3] = X.r;
  // [r]x Y for a 3 by 3 Y, column by column; Y [r]x = -([r]x Yᵀ)ᵀ.
  auto crossLeft = [&](const T(&Y)[3][3], T(&out3)[3][3]) {
    for (int j = 0; j < 3; ++j) {
      const T column[3] = {Y[0][j], Y[1][j], Y[2][j]};
      T c[3];
      Cross(r, column, c);
      for (int i = 0; i < 3; ++i) out3[i][j] = c[i];
    }
  };
  T Ar[3][3], rA[3][3], rB[3][3], rAr[3][3];
  crossLeft(Q.A, rA);  // [r]x A'; A'[r]x = -([r]x A')ᵀ since A' is symmetric
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) Ar[i][j] = -rA[j][i];
  }
  crossLeft(Q.B, rB);
  crossLeft(Ar, rAr);  // [r]x A' [r]x
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      out.A[i][j] = Q.A[i][j];
      out.B[i][j] = Q.B[i][j] - Ar[i][j];
      // B'ᵀ[r]x = -([r]x B')ᵀ
      out.C[i][j] = Q.C[i][j] + rB[i][j] + rB[j][i] - rAr[i][j];
    }
  }
}

// out = M v.
template <typename T>
inline void Apply(const Inertia6<T>& M, const Spatial<T>& v, Spatial<T>& out) {
  for (int i = 0; i < 3; ++i) {
    out.lin[i] = M.A[i][0] * v.lin[0] + M.A[i][1] * v.lin[1] + M.A[i][2] * v.lin[2] +
                 M.B[i][0] * v.ang[0] + M.B[i][1] * v.ang[1] + M.B[i][2] * v.ang[2];
    out.ang[i] = M.B[0][i] * v.lin[0] + M.B[1][i] * v.lin[1] + M.B[2][i] * v.lin[2] +
                 M.C[i][0] * v.ang[0] + M.C[i][1] * v.ang[1] + M.C[i][2] * v.ang[2];
  }
}

// U = M S: column 5 (revolute) or column 2 (prismatic) of M.
template <typename T>
inline void AxisColumn(const Inertia6<T>& M, bool turns, Spatial<T>& U) {
  for (int i = 0; i < 3; ++i) {
    U.lin[i] = turns ? M.B[i][2] : M.A[i][2];
    U.ang[i] = turns ? M.C[i][2] : M.B[2][i];
  }
}

// Sᵀ x: the joint's component of a motion or force.
template <typename T>
inline T AxisComponent(const Spatial<T>& x, bool turns) {
  return turns ? x.ang[2] : x.lin[2];
}

// (v ×* h)·S, the joint's component of the force cross product v ×* h = (ω × h_lin, ω × h_ang +
// v_lin × h_lin).
template <typename T>
inline T AxisCrossForce(const Spatial<T>& v, const Spatial<T>& h, bool turns) {
  if (!turns) return v.ang[0] * h.lin[1] - v.ang[1] * h.lin[0];
  return (v.ang[0] * h.ang[1] - v.ang[1] * h.ang[0]) + (v.lin[0] * h.lin[1] - v.lin[1] * h.lin[0]);
}

// The rigid-body inertia about the frame origin of a body of mass m, centre of mass c and
// rotational inertia Io about the origin (xx, xy, xz, yy, yz, zz):
//   [[m·1, m·[c]xᵀ], [m·[c]x, Io]].
template <typename T>
inline void RigidInertia(double m, const double (&c)[3], const double (&Io)[6], Inertia6<T>& out) {
  const double mc[3] = {m * c[0], m * c[1], m * c[2]};
  // m [c]xᵀ = -m [c]x: rows (0, mcz, -mcy), (-mcz, 0, mcx), (mcy, -mcx, 0)
  const double B[3][3] = {{0.0, mc[2], -mc[1]}, {-mc[2], 0.0, mc[0]}, {mc[1], -mc[0], 0.0}};
  const double C[3][3] = {{Io[0], Io[1], Io[2]}, {Io[1], Io[3], Io[4]}, {Io[2], Io[4], Io[5]}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      out.A[i][j] = T(i == j ? m : 0.0);
      out.B[i][j] = T(B[i][j]);
      out.C[i][j] = T(C[i][j]);
    }
  }
}

template <typename T>
inline void AddInto(Inertia6<T>& sum, const Inertia6<T>& x) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      sum.A[i][j] = sum.A[i][j] + x.A[i][j];
      sum.B[i][j] = sum.B[i][j] + x.B[i][j];
      sum.C[i][j] = sum.C[i][j] + x.C[i][j];
    }
  }
}

template <typename T>
inline void AddInto(Spatial<T>& sum, const Spatial<T>& x) {
  for (int i = 0; i < 3; ++i) {
    sum.lin[i] = sum.lin[i] + x.lin[i];
    sum.ang[i] = sum.ang[i] + x.ang[i];
  }
}

}  // namespace tree
}  // namespace pendula
