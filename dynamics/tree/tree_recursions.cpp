// The recursions of tree_recursions.h.
#include "dynamics/tree/tree_recursions.h"

#include <cmath>

namespace pendula {
namespace tree {
namespace {

constexpr Spatial<double> Zero = {{0.0, 0.0, 0.0}, {0.0, 0.0, 0.0}};

double Dot(const Spatial<double>& a, const Spatial<double>& b) {
  return ((a.lin[0] * b.lin[0] + a.lin[1] * b.lin[1]) + a.lin[2] * b.lin[2]) +
         ((a.ang[0] * b.ang[0] + a.ang[1] * b.ang[1]) + a.ang[2] * b.ang[2]);
}

// x + S·a, S the joint's axis.
void AddAlongAxis(Spatial<double>& x, bool turns, double a) {
  if (turns) {
    x.ang[2] = x.ang[2] + a;
  } else {
    x.lin[2] = x.lin[2] + a;
  }
}

// out = M - U Uᵀ/D: the inertia that the subtree shows its parent with its joint free.
void ProjectOutAxis(const Inertia6<double>& M, const Spatial<double>& U, double inverseD,
                    Inertia6<double>& out) {
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      out.A[i][j] = M.A[i][j] - U.lin[i] * U.lin[j] * inverseD;
      out.B[i][j] = M.B[i][j] - U.lin[i] * U.ang[j] * inverseD;
      out.C[i][j] = M.C[i][j] - U.ang[i] * U.ang[j] * inverseD;
    }
  }
}

}  // namespace

void FormTransforms(const Model::Data& model, ModelWorkspace::Storage& w, const double* q) {
  for (int i = 0; i < w.n; ++i) {
    const JointConstants& J = model.joints[i];
    JointTransform<double>& X = w.transform[i];
    X.rotation.fixed = J.rotated ? J.rotation : nullptr;
    X.rotation.turns = J.turns;
    for (int k = 0; k < 3; ++k) X.r[k] = J.origin[k];
    if (J.turns) {
      if (model.sineTable == nullptr) {
        X.rotation.s = std::sin(q[i]);
        X.rotation.c = std::cos(q[i]);
      } else {
        X.rotation.s = SineFromTable(*model.sineTable, q[i]);
        X.rotation.c = CosineFromTable(*model.sineTable, q[i]);
      }
    } else {
      X.rotation.s = 0.0;
      X.rotation.c = 1.0;
      // The slide is along the fixed frame's z axis: column 2 of its rotation.
      for (int k = 0; k < 3; ++k) {
        X.r[k] = X.r[k] + (J.rotated ? J.rotation[3 * k + 2] : (k == 2 ? 1.0 : 0.0)) * q[i];
      }
    }
    w.sine[i] = X.rotation.s;
    w.cosine[i] = X.rotation.c;
  }
}

void ForwardDynamics(const Model::Data& model, ModelWorkspace::Storage& w, const double* p,
                     const double* q, const double* torques, double* pdot, double* qdot) {
  const int n = w.n;
  FormTransforms(model, w, q);
  // Inward: M_i, beta_i, handed to the parent.
  for (int i = 0; i < n; ++i) {
    w.inertia[i] = model.rigid[i];
    w.bias[i] = Zero;
  }
  for (int i = n - 1; i >= 0; --i) {
    const JointConstants& J = model.joints[i];
    const Inertia6<double>& M = w.inertia[i];
    const Spatial<double>& beta = w.bias[i];
    Spatial<double>& U = w.U[i];
    AxisColumn(M, J.turns, U);
    const double inverseD = 1.0 / AxisComponent(U, J.turns);
    w.inverseD[i] = inverseD;
    if (J.parent < 0) continue;
    Inertia6<double> free, slot;
    ProjectOutAxis(M, U, inverseD, free);
    InertiaToParent(w.transform[i], free, slot);
    AddInto(w.inertia[J.parent], slot);
    // beta_i + U (p_i - Sᵀbeta_i)/D
    const double share = (p[i] - AxisComponent(beta, J.turns)) * inverseD;
    Spatial<double> handed, biasSlot;
    for (int k = 0; k < 3; ++k) {
      handed.lin[k] = beta.lin[k] + U.lin[k] * share;
      handed.ang[k] = beta.ang[k] + U.ang[k] * share;
    }
    ForceToParent(w.transform[i], handed, biasSlot);
    AddInto(w.bias[J.parent], biasSlot);
  }
  // Outward: q̇_i, v_i, the velocity term of ṗ_i, gravity and each body's load.
  for (int i = 0; i < n; ++i) {
    const JointConstants& J = model.joints[i];
    const JointTransform<double>& X = w.transform[i];
    Spatial<double> v;
    MotionToChild(X, J.parent < 0 ? Zero : w.velocity[J.parent], v);
    const double rate = (p[i] - AxisComponent(w.bias[i], J.turns) - Dot(w.U[i], v)) * w.inverseD[i];
    qdot[i] = rate;
    AddAlongAxis(v, J.turns, rate);
    w.velocity[i] = v;
    Spatial<double> H;
    Apply(w.inertia[i], v, H);
    AddInto(H, w.bias[i]);
    w.velocityTerm[i] = AxisCrossForce(v, H, J.turns);
    // g_i = Eᵀ g_λ(i); the weight m g_i acts at the centre of mass.
    const double* gParent = J.parent < 0 ? model.gravity : &w.gravity[3 * J.parent];
    const double gp[3] = {gParent[0], gParent[1], gParent[2]};
    double g[3];
    ToChild(X.rotation, gp, g);
    for (int k = 0; k < 3; ++k) w.gravity[3 * i + k] = g[k];
    Spatial<double>& load = w.force[i];
    for (int k = 0; k < 3; ++k) load.lin[k] = J.mass * g[k];
    Cross(J.centreOfMass, load.lin, load.ang);
    const double tau = (torques == nullptr ? 0.0 : torques[i]) - J.damping * rate;
    w.torque[i] = tau;
    AddAlongAxis(load, J.turns, tau);
  }
  // Inward: F_i, ṗ_i; the parent takes F_i less the joint's own torque, which reacts on it.
  for (int i = n - 1; i >= 0; --i) {
    const JointConstants& J = model.joints[i];
    Spatial<double> F = w.force[i];
    pdot[i] = AxisComponent(F, J.turns) - w.velocityTerm[i];
    if (J.parent < 0) continue;
    AddAlongAxis(F, J.turns, -w.torque[i]);
    Spatial<double> slot;
    ForceToParent(w.transform[i], F, slot);
    AddInto(w.force[J.parent], slot);
  }
}

void Momenta(const Model::Data& model, ModelWorkspace::Storage& w, const double* q,
             const double* qdot, double* p) {
  const int n = w.n;
  FormTransforms(model, w, q);
  for (int i = 0; i < n; ++i) {
    const JointConstants& J = model.joints[i];
    Spatial<double> v;
    MotionToChild(w.transform[i], J.parent < 0 ? Zero : w.velocity[J.parent], v);
    AddAlongAxis(v, J.turns, qdot[i]);
    w.velocity[i] = v;
    Apply(model.rigid[i], v, w.force[i]);
  }
  for (int i = n - 1; i >= 0; --i) {
    const JointConstants& J = model.joints[i];
    p[i] = AxisComponent(w.force[i], J.turns);
    if (J.parent < 0) continue;
    Spatial<double> slot;
    ForceToParent(w.transform[i], w.force[i], slot);
    AddInto(w.force[J.parent], slot);
  }
}

void MassMatrix(const Model::Data& model, ModelWorkspace::Storage& w, const double* q,
                double* matrix) {
  const int n = w.n;
  FormTransforms(model, w, q);
  for (int i = 0; i < n; ++i) w.inertia[i] = model.rigid[i];
  for (int i = n - 1; i >= 0; --i) {
    const int parent = model.joints[i].parent;
    if (parent < 0) continue;
    Inertia6<double> slot;
    InertiaToParent(w.transform[i], w.inertia[i], slot);
    AddInto(w.inertia[parent], slot);
  }
  for (int k = 0; k < n * n; ++k) matrix[k] = 0.0;
  for (int i = 0; i < n; ++i) {
    Spatial<double> f;
    AxisColumn(w.inertia[i], model.joints[i].turns, f);
    matrix[i * n + i] = AxisComponent(f, model.joints[i].turns);
    for (int j = i; model.joints[j].parent >= 0;) {
      Spatial<double> moved;
      ForceToParent(w.transform[j], f, moved);
      f = moved;
      j = model.joints[j].parent;
      const double a = AxisComponent(f, model.joints[j].turns);
      matrix[i * n + j] = a;
      matrix[j * n + i] = a;
    }
  }
}

void Frames(const Model::Data& model, ModelWorkspace::Storage& w, const double* q) {
  FormTransforms(model, w, q);
  static const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  static const double origin[3] = {0.0, 0.0, 0.0};
  for (int i = 0; i < w.n; ++i) {
    const int parent = model.joints[i].parent;
    const double* Rp = parent < 0 ? identity : &w.rotation[9 * parent];
    const double* op = parent < 0 ? origin : &w.origin[3 * parent];
    const JointTransform<double>& X = w.transform[i];
    double* R = &w.rotation[9 * i];
    // R_i = R_λ(i) E_i, column by column: E_i e_k is the joint's rotation of axis k.
    for (int k = 0; k < 3; ++k) {
      const double axis[3] = {k == 0 ? 1.0 : 0.0, k == 1 ? 1.0 : 0.0, k == 2 ? 1.0 : 0.0};
      double column[3];
      ToParent(X.rotation, axis, column);
      for (int row = 0; row < 3; ++row) {
        R[3 * row + k] =
            Rp[3 * row] * column[0] + Rp[3 * row + 1] * column[1] + Rp[3 * row + 2] * column[2];
      }
    }
    // o_i = o_λ(i) + R_λ(i) r_i
    for (int row = 0; row < 3; ++row) {
      w.origin[3 * i + row] =
          op[row] + (Rp[3 * row] * X.r[0] + Rp[3 * row + 1] * X.r[1] + Rp[3 * row + 2] * X.r[2]);
    }
  }
}

}  // namespace tree
}  // namespace pendula
