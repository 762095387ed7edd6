// The Jacobian of the momentum form by the recursions of docs/algorithm.md ("Derivatives"): every
// quantity in base coordinates, where turning joint i moves each thing attached beyond it by
// the motion S_i (d/dq_i x = S_i x x for motions, S_i x* f for forces), so that each entry of
// ∂(A v)/∂q and of ∂ṗ/∂(q, q̇) at fixed (q, q̇) is one dot product of per-joint six-vectors, and
//   ∂q̇/∂p = A^-1,  ∂q̇/∂q = -A^-1 ∂(A q̇)/∂q,  ∂ṗ/∂p = G_v A^-1,  ∂ṗ/∂q = G_q + G_v ∂q̇/∂q.
#include <cmath>

#include "dynamics/derivatives/jacobian_storage.h"

namespace pendula {

JacobianStorage::JacobianStorage(int joints)
    : n(joints),
      joints(static_cast<std::size_t>(joints)),
      rotation(9 * static_cast<std::size_t>(joints)),
      origin(3 * static_cast<std::size_t>(joints)),
      axis(6 * static_cast<std::size_t>(joints)),
      parentVelocity(6 * static_cast<std::size_t>(joints)),
      velocity(6 * static_cast<std::size_t>(joints)),
      momentum(6 * static_cast<std::size_t>(joints)),
      wrench(6 * static_cast<std::size_t>(joints)),
      alpha(6 * static_cast<std::size_t>(joints)),
      u(6 * static_cast<std::size_t>(joints)),
      mu(6 * static_cast<std::size_t>(joints)),
      e(6 * static_cast<std::size_t>(joints)),
      rho(6 * static_cast<std::size_t>(joints)),
      body(10 * static_cast<std::size_t>(joints)),
      composite(10 * static_cast<std::size_t>(joints)),
      rates(static_cast<std::size_t>(joints)),
      vectors(3 * static_cast<std::size_t>(joints)) {
  const std::size_t squares = static_cast<std::size_t>(joints) * static_cast<std::size_t>(joints);
  factor.reset(new double[squares]);
  inverse.reset(new double[squares]);
  pq.reset(new double[squares]);
  gq.reset(new double[squares]);
  gv.reset(new double[squares]);
  mass.reset(new double[squares]);
}

namespace {

inline void Cross(const double* a, const double* b, double* out) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

// a x m for motions a, m: (a_w x m_w; a_w x m_v + a_v x m_w).
inline void MotionCross(const double* a, const double* m, double* out) {
  double t[3];
  Cross(a, m, out);
  Cross(a, m + 3, out + 3);
  Cross(a + 3, m, t);
  for (int i = 0; i < 3; ++i) out[3 + i] += t[i];
}

// a x* f for a motion a and a force f: (a_w x f_n + a_v x f_f; a_w x f_f).
inline void ForceCross(const double* a, const double* f, double* out) {
  double t[3];
  Cross(a, f, out);
  Cross(a + 3, f + 3, t);
  for (int i = 0; i < 3; ++i) out[i] += t[i];
  Cross(a, f + 3, out + 3);
}

inline double Dot6(const double* a, const double* b) {
  double sum = 0.0;
  for (int i = 0; i < 6; ++i) sum += a[i] * b[i];
  return sum;
}

// A rigid inertia as (m, first moment s = m c, rotational inertia about the base origin xx, xy,
// xz, yy, yz, zz) applied to a motion: (I_O w + s x v; m v - s x w).
inline void ApplyInertia(const double* I, const double* x, double* out) {
  const double* s = I + 1;
  const double* R = I + 4;
  double t[3];
  out[0] = R[0] * x[0] + R[1] * x[1] + R[2] * x[2];
  out[1] = R[1] * x[0] + R[3] * x[1] + R[4] * x[2];
  out[2] = R[2] * x[0] + R[4] * x[1] + R[5] * x[2];
  Cross(s, x + 3, t);
  for (int i = 0; i < 3; ++i) out[i] += t[i];
  Cross(s, x, t);
  for (int i = 0; i < 3; ++i) out[3 + i] = I[0] * x[3 + i] - t[i];
}

// out = a·b for 3x3 row-major matrices.
inline void Multiply3(const double* a, const double* b, double* out) {
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) {
      out[3 * r + c] = a[3 * r] * b[c] + a[3 * r + 1] * b[3 + c] + a[3 * r + 2] * b[6 + c];
    }
  }
}

// Each body's frame, axis and inertia in base coordinates at q.
void Kinematics(JacobianStorage& s, const SineTable* table, const double* q) {
  for (int j = 0; j < s.n; ++j) {
    const JacobianJoint& J = s.joints[static_cast<std::size_t>(j)];
    static const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    static const double zero[3] = {0, 0, 0};
    const double* parentRotation = J.parent < 0 ? identity : &s.rotation[9 * J.parent];
    const double* parentOrigin = J.parent < 0 ? zero : &s.origin[3 * J.parent];
    // E = Rz(gamma)·Rx(alpha)
    const double cg = J.cosGamma, sg = J.sinGamma, ca = J.cosAlpha, sa = J.sinAlpha;
    const double E[9] = {cg, -sg * ca, sg * sa, sg, cg * ca, -cg * sa, 0.0, sa, ca};
    double joint[9];
    Multiply3(parentRotation, E, joint);
    const double shift[3] = {J.shift[0], J.shift[1], J.turns ? J.shift[2] : J.shift[2] + q[j]};
    double* o = &s.origin[3 * j];
    for (int r = 0; r < 3; ++r) {
      o[r] = parentOrigin[r] +
             (joint[3 * r] * shift[0] + joint[3 * r + 1] * shift[1] + joint[3 * r + 2] * shift[2]);
    }
    double* R = &s.rotation[9 * j];
    if (J.turns) {
      double sq, cq;
      if (table == nullptr) {
        sq = std::sin(q[j]);
        cq = std::cos(q[j]);
      } else {
        sq = SineFromTable(*table, q[j]);
        cq = CosineFromTable(*table, q[j]);
      }
      const double Z[9] = {cq, -sq, 0.0, sq, cq, 0.0, 0.0, 0.0, 1.0};
      Multiply3(joint, Z, R);
    } else {
      for (int i = 0; i < 9; ++i) R[i] = joint[i];
    }
    const double a[3] = {R[2], R[5], R[8]};
    double* S = &s.axis[6 * j];
    if (J.turns) {
      for (int i = 0; i < 3; ++i) S[i] = a[i];
      Cross(o, a, S + 3);
    } else {
      for (int i = 0; i < 3; ++i) S[i] = 0.0, S[3 + i] = a[i];
    }
    // The body: r = R c from the frame origin, c_w = o + r, its inertia about the frame origin
    // turned into base axes, R I Rᵀ, then moved to the base origin by the parallel-axis theorem
    // twice: + m(|c_w|² 1 - c_w c_wᵀ) - m(|r|² 1 - r rᵀ).
    double r[3], c[3];
    for (int i = 0; i < 3; ++i) {
      r[i] = R[3 * i] * J.centreOfMass[0] + R[3 * i + 1] * J.centreOfMass[1] +
             R[3 * i + 2] * J.centreOfMass[2];
      c[i] = o[i] + r[i];
    }
    const double* I = J.inertia;
    const double full[9] = {I[0], I[1], I[2], I[1], I[3], I[4], I[2], I[4], I[5]};
    double RI[9], turned[9];
    Multiply3(R, full, RI);
    for (int row = 0; row < 3; ++row) {
      for (int col = 0; col < 3; ++col) {
        turned[3 * row + col] = RI[3 * row] * R[3 * col] + RI[3 * row + 1] * R[3 * col + 1] +
                                RI[3 * row + 2] * R[3 * col + 2];
      }
    }
    const double m = J.mass;
    const double cc = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
    const double rr = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
    static const int rows[6] = {0, 0, 0, 1, 1, 2}, cols[6] = {0, 1, 2, 1, 2, 2};
    double* B = &s.body[10 * j];
    B[0] = m;
    for (int i = 0; i < 3; ++i) B[1 + i] = m * c[i];
    for (int k = 0; k < 6; ++k) {
      const int row = rows[k], col = cols[k];
      const double diagonal = row == col ? 1.0 : 0.0;
      B[4 + k] = turned[3 * row + col] + m * (cc * diagonal - c[row] * c[col]) -
                 m * (rr * diagonal - r[row] * r[col]);
    }
  }
}

// Cholesky A = L Lᵀ in place (lower triangle); false if A is not positive definite.
bool FactorCholesky(double* a, int n) {
  for (int j = 0; j < n; ++j) {
    double d = a[j * n + j];
    for (int k = 0; k < j; ++k) d -= a[j * n + k] * a[j * n + k];
    if (!(d > 0.0)) return false;
    const double l = std::sqrt(d);
    a[j * n + j] = l;
    for (int i = j + 1; i < n; ++i) {
      double x = a[i * n + j];
      for (int k = 0; k < j; ++k) x -= a[i * n + k] * a[j * n + k];
      a[i * n + j] = x / l;
    }
  }
  return true;
}

// x <- A^-1 x from the factor.
void SolveCholesky(const double* L, int n, double* x) {
  for (int i = 0; i < n; ++i) {
    double v = x[i];
    for (int k = 0; k < i; ++k) v -= L[i * n + k] * x[k];
    x[i] = v / L[i * n + i];
  }
  for (int i = n - 1; i >= 0; --i) {
    double v = x[i];
    for (int k = i + 1; k < n; ++k) v -= L[k * n + i] * x[k];
    x[i] = v / L[i * n + i];
  }
}

// to[c] -= (or +=) the sum over k in [kBegin, kEnd) of l[k·lStride]·rows[k·rowStride + c], for c
// in [begin, end), four rows a pass so that each element of `to` is loaded and stored once for
// four of them. `to` is none of the rows read.
template <bool Subtract>
inline void AccumulateRows(double* __restrict__ to, int begin, int end, const double* l,
                           int lStride, const double* rows, int rowStride, int kBegin, int kEnd) {
  int k = kBegin;
  for (; k + 4 <= kEnd; k += 4) {
    const double l0 = l[k * lStride], l1 = l[(k + 1) * lStride], l2 = l[(k + 2) * lStride],
                 l3 = l[(k + 3) * lStride];
    const double* r0 = rows + k * rowStride;
    const double* r1 = r0 + rowStride;
    const double* r2 = r1 + rowStride;
    const double* r3 = r2 + rowStride;
    for (int c = begin; c < end; ++c) {
      const double sum = (l0 * r0[c] + l1 * r1[c]) + (l2 * r2[c] + l3 * r3[c]);
      to[c] = Subtract ? to[c] - sum : to[c] + sum;
    }
  }
  for (; k < kEnd; ++k) {
    const double lk = l[k * lStride];
    const double* r = rows + k * rowStride;
    for (int c = begin; c < end; ++c) to[c] = Subtract ? to[c] - lk * r[c] : to[c] + lk * r[c];
  }
}

// A^-1 = Vᵀ V with V = L^-1 (lower triangular, zeros above its diagonal), symmetric by
// construction. `work` has n·n.
void InvertFromFactor(const double* L, int n, double* work, double* inverse) {
  for (int i = 0; i < n; ++i) {
    double* Vi = work + i * n;
    for (int c = 0; c < n; ++c) Vi[c] = 0.0;
    AccumulateRows<true>(Vi, 0, i, L + i * n, 1, work, n, 0, i);
    Vi[i] = 1.0;
    const double d = L[i * n + i];
    for (int c = 0; c <= i; ++c) Vi[c] = Vi[c] / d;
  }
  // Row i of A^-1 from column i on: the sum over k >= i of V[k][i]·(row k of V).
  for (int i = 0; i < n; ++i) {
    double* row = inverse + i * n;
    for (int c = i; c < n; ++c) row[c] = 0.0;
    AccumulateRows<false>(row, i, n, work + i, n, work, n, i, n);
  }
  for (int i = 0; i < n; ++i) {
    for (int c = 0; c < i; ++c) inverse[i * n + c] = inverse[c * n + i];
  }
}

// Row r of M += f·(row d of `rows`), for every friction couple and damping entry f = F(r, d) of
// the generalized friction -F q̇: b (z_r·z_d) for r an ancestor of d or d itself, and the
// damping of d on the diagonal.
void AddFriction(const JacobianStorage& s, double friction, const double* rows, int rowStride,
                 double* M, int stride, double sign) {
  const int n = s.n;
  for (int d = 0; d < n; ++d) {
    const JacobianJoint& J = s.joints[static_cast<std::size_t>(d)];
    const double* from = rows + d * rowStride;
    if (J.damping != 0.0) {
      double* to = M + d * stride;
      for (int c = 0; c < n; ++c) to[c] += sign * (J.damping * from[c]);
    }
    if (friction == 0.0 || !J.turns) continue;
    const double* zd = &s.axis[6 * d];
    for (int a = d; a >= 0; a = s.joints[static_cast<std::size_t>(a)].parent) {
      if (!s.joints[static_cast<std::size_t>(a)].turns) continue;
      const double* za = &s.axis[6 * a];
      const double f = friction * (za[0] * zd[0] + za[1] * zd[1] + za[2] * zd[2]);
      double* to = M + a * stride;
      for (int c = 0; c < n; ++c) to[c] += sign * (f * from[c]);
    }
  }
}

}  // namespace

void AddFrictionMatrix(const JacobianStorage& s, double friction, double* M, int stride,
                       double scale) {
  for (int d = 0; d < s.n; ++d) {
    const JacobianJoint& J = s.joints[static_cast<std::size_t>(d)];
    M[d * stride + d] += scale * J.damping;
    if (friction == 0.0 || !J.turns) continue;
    const double* zd = &s.axis[6 * d];
    for (int a = d; a >= 0; a = s.joints[static_cast<std::size_t>(a)].parent) {
      if (!s.joints[static_cast<std::size_t>(a)].turns) continue;
      const double* za = &s.axis[6 * a];
      M[a * stride + d] += scale * (friction * (za[0] * zd[0] + za[1] * zd[1] + za[2] * zd[2]));
    }
  }
}

void AddFrictionTimes(const JacobianStorage& s, double friction, const double* x, double* out,
                      double scale) {
  for (int d = 0; d < s.n; ++d) {
    const JacobianJoint& J = s.joints[static_cast<std::size_t>(d)];
    out[d] += scale * (J.damping * x[d]);
    if (friction == 0.0 || !J.turns) continue;
    const double* zd = &s.axis[6 * d];
    for (int a = d; a >= 0; a = s.joints[static_cast<std::size_t>(a)].parent) {
      if (!s.joints[static_cast<std::size_t>(a)].turns) continue;
      const double* za = &s.axis[6 * a];
      out[a] += scale * (friction * (za[0] * zd[0] + za[1] * zd[1] + za[2] * zd[2]) * x[d]);
    }
  }
}

bool MomentumFormDerivatives(JacobianStorage& s, const double (&gravity)[3], const SineTable* table,
                             double friction, const double* p, const double* q, bool keepMass) {
  const int n = s.n;
  Kinematics(s, table, q);
  // Composite inertias, inward (every parent comes before its children).
  for (int i = 0; i < 10 * n; ++i) s.composite[static_cast<std::size_t>(i)] = s.body[i];
  for (int j = n - 1; j >= 0; --j) {
    const int parent = s.joints[static_cast<std::size_t>(j)].parent;
    if (parent < 0) continue;
    for (int i = 0; i < 10; ++i) s.composite[10 * parent + i] += s.composite[10 * j + i];
  }
  // A_ij = S_iᵀ I^C_j S_j for i an ancestor of j or j itself; zero for joints on other branches.
  double* A = s.factor.get();
  for (int i = 0; i < n * n; ++i) A[i] = 0.0;
  for (int j = 0; j < n; ++j) {
    double* alpha = &s.alpha[6 * j];
    ApplyInertia(&s.composite[10 * j], &s.axis[6 * j], alpha);
    for (int i = j; i >= 0; i = s.joints[static_cast<std::size_t>(i)].parent) {
      const double a = Dot6(&s.axis[6 * i], alpha);
      A[i * n + j] = a;
      A[j * n + i] = a;
    }
  }
  if (keepMass) {
    double* mass = s.mass.get();
    for (int i = 0; i < n * n; ++i) mass[i] = A[i];
  }
  if (!FactorCholesky(A, n)) return false;
  double* rates = s.rates.data();
  for (int i = 0; i < n; ++i) rates[i] = p[i];
  SolveCholesky(A, n, rates);
  // Velocities outward; each body's momentum and friction couple.
  for (int j = 0; j < n; ++j) {
    const JacobianJoint& J = s.joints[static_cast<std::size_t>(j)];
    double* w = &s.parentVelocity[6 * j];
    double* v = &s.velocity[6 * j];
    const double* S = &s.axis[6 * j];
    for (int i = 0; i < 6; ++i) w[i] = J.parent < 0 ? 0.0 : s.velocity[6 * J.parent + i];
    for (int i = 0; i < 6; ++i) v[i] = w[i] + S[i] * rates[j];
    ApplyInertia(&s.body[10 * j], v, &s.momentum[6 * j]);
    double* F = &s.wrench[6 * j];
    for (int i = 0; i < 3; ++i) {
      F[i] = J.turns ? -(friction * rates[j]) * S[i] : 0.0;
      F[3 + i] = 0.0;
    }
  }
  // Subtree momenta and couples, inward; then the subtrees' weights I^C (0; g).
  for (int j = n - 1; j >= 0; --j) {
    const int parent = s.joints[static_cast<std::size_t>(j)].parent;
    if (parent < 0) continue;
    for (int i = 0; i < 6; ++i) {
      s.momentum[6 * parent + i] += s.momentum[6 * j + i];
      s.wrench[6 * parent + i] += s.wrench[6 * j + i];
    }
  }
  const double g[6] = {0.0, 0.0, 0.0, gravity[0], gravity[1], gravity[2]};
  for (int j = 0; j < n; ++j) {
    const double* S = &s.axis[6 * j];
    const double* IC = &s.composite[10 * j];
    double weight[6], beta[6], gamma[6], t[6];
    ApplyInertia(IC, g, weight);
    double* F = &s.wrench[6 * j];
    for (int i = 0; i < 6; ++i) F[i] += weight[i];
    double* uj = &s.u[6 * j];
    MotionCross(S, &s.parentVelocity[6 * j], uj);
    ApplyInertia(IC, uj, beta);
    ForceCross(S, &s.momentum[6 * j], gamma);
    for (int i = 0; i < 6; ++i) s.mu[6 * j + i] = beta[i] - gamma[i];
    double* ej = &s.e[6 * j];
    MotionCross(S, g, ej);
    ForceCross(S, F, s.rho.data() + 6 * j);
    ApplyInertia(IC, ej, t);
    for (int i = 0; i < 6; ++i) s.rho[6 * j + i] -= t[i];
  }
  // ∂(A v)/∂q and ∂ṗ/∂q at fixed rates: for a an ancestor of d or d itself,
  //   P(d, a) = -alpha_d·u_a,  P(a, d) = -S_a·mu_d,
  //   G(d, a) = mu_d·u_a - alpha_d·e_a,  G(a, d) = S_a·rho_d + u_a·mu_d,
  // and zero between joints on different branches.
  double* P = s.pq.get();
  double* G = s.gq.get();
  for (int i = 0; i < n * n; ++i) P[i] = 0.0, G[i] = 0.0;
  for (int d = 0; d < n; ++d) {
    for (int a = d; a >= 0; a = s.joints[static_cast<std::size_t>(a)].parent) {
      const double* alphaD = &s.alpha[6 * d];
      P[d * n + a] = -Dot6(alphaD, &s.u[6 * a]);
      G[d * n + a] = Dot6(&s.mu[6 * d], &s.u[6 * a]) - Dot6(alphaD, &s.e[6 * a]);
      if (a == d) continue;
      P[a * n + d] = -Dot6(&s.axis[6 * a], &s.mu[6 * d]);
      G[a * n + d] = Dot6(&s.axis[6 * a], &s.rho[6 * d]) + Dot6(&s.u[6 * a], &s.mu[6 * d]);
    }
  }
  return true;
}

void JacobianOfDynamics(JacobianStorage& s, const double (&gravity)[3], const SineTable* table,
                        double friction, const double* p, const double* q,
                        const JacobianBlocks& out) {
  const int n = s.n;
  if (!MomentumFormDerivatives(s, gravity, table, friction, p, q, false)) {
    // Not a state of the model (a mass matrix that is not positive definite arises only from
    // values that are not finite): NaN throughout, as the evaluation gives.
    const double nan = std::nan("");
    for (int r = 0; r < n; ++r) {
      for (int c = 0; c < n; ++c) {
        out.dpdotDp[r * out.stride + c] = nan;
        out.dpdotDq[r * out.stride + c] = nan;
        out.dqdotDp[r * out.stride + c] = nan;
        out.dqdotDq[r * out.stride + c] = nan;
      }
    }
    return;
  }
  const double* A = s.factor.get();
  const double* P = s.pq.get();
  const double* G = s.gq.get();
  double* V = s.gv.get();
  double* inverse = s.inverse.get();
  InvertFromFactor(A, n, V, inverse);
  // With the generalized friction -F q̇ (the couples and the damping), ∂ṗ/∂q̇ = Pᵀ - F, and with
  // W = L^-1 P and X = L^-T W = A^-1 P:
  //   ∂q̇/∂p = A^-1,  ∂q̇/∂q = -X,  ∂ṗ/∂p = Xᵀ - F A^-1,  ∂ṗ/∂q = G - Wᵀ W + F X,
  // Wᵀ W = Pᵀ A^-1 P being symmetric.
  const int stride = out.stride;
  double* W = V;
  for (int i = 0; i < n; ++i) {
    double* Wi = W + i * n;
    for (int c = 0; c < n; ++c) Wi[c] = P[i * n + c];
    AccumulateRows<true>(Wi, 0, n, A + i * n, 1, W, n, 0, i);
    const double d = A[i * n + i];
    for (int c = 0; c < n; ++c) Wi[c] = Wi[c] / d;
  }
  double* X = out.dqdotDq;
  for (int i = n - 1; i >= 0; --i) {
    double* Xi = X + i * stride;
    const double* Wi = W + i * n;
    for (int c = 0; c < n; ++c) Xi[c] = Wi[c];
    AccumulateRows<true>(Xi, 0, n, A + i, n, X, stride, i + 1, n);
    const double d = A[i * n + i];
    for (int c = 0; c < n; ++c) Xi[c] = Xi[c] / d;
  }
  for (int r = 0; r < n; ++r) {
    double* qp = out.dqdotDp + r * stride;
    double* pp = out.dpdotDp + r * stride;
    for (int c = 0; c < n; ++c) qp[c] = inverse[r * n + c], pp[c] = X[c * stride + r];
  }
  AddFriction(s, friction, inverse, n, out.dpdotDp, stride, -1.0);
  for (int r = 0; r < n; ++r) {
    double* pq = out.dpdotDq + r * stride;
    for (int c = r; c < n; ++c) pq[c] = 0.0;
    AccumulateRows<false>(pq, r, n, W + r, n, W, n, 0, n);
  }
  for (int r = 0; r < n; ++r) {
    double* pq = out.dpdotDq + r * stride;
    for (int c = 0; c < r; ++c) pq[c] = out.dpdotDq[c * stride + r];
  }
  for (int r = 0; r < n; ++r) {
    double* pq = out.dpdotDq + r * stride;
    for (int c = 0; c < n; ++c) pq[c] = G[r * n + c] - pq[c];
  }
  AddFriction(s, friction, X, stride, out.dpdotDq, stride, 1.0);
  for (int r = 0; r < n; ++r) {
    double* qq = out.dqdotDq + r * stride;
    for (int c = 0; c < n; ++c) qq[c] = -qq[c];
  }
}

}  // namespace pendula
