// The recursions of tree_recursions.h.
#include "dynamics/tree/tree_recursions.h"

#include <cmath>

namespace pendula {
namespace tree {
using namespace joints;

namespace {

const SpatialVector Zero = {{0.0, 0.0, 0.0, 0.0, 0.0, 0.0}};

void AddInto(SpatialVector& sum, const SpatialVector& x) {
  for (int i = 0; i < 6; ++i) sum[i] = sum[i] + x[i];
}

void AddInto(ArticulatedInertia& sum, const ArticulatedInertia& x) {
  for (int i = 0; i < 21; ++i) sum[i] = sum[i] + x[i];
}

}  // namespace

void FormTransforms(const Model::Data& model, ModelWorkspace::Storage& w, const double* q) {
  for (int i = 0; i < w.n; ++i) {
    const JointConstants& J = model.joints[i];
    JointTransformOf<double>& X = w.transform[i];
    X.turns = J.turns;
    X.tx = J.shift[0];
    X.ty = J.shift[1];
    X.tz = J.shift[2];
    X.sinAlpha = J.sinAlpha;
    X.cosAlpha = J.cosAlpha;
    X.twisted = J.sinAlpha != 0.0 || J.cosAlpha != 1.0;
    X.sinGamma = J.sinGamma;
    X.cosGamma = J.cosGamma;
    X.turned = J.sinGamma != 0.0 || J.cosGamma != 1.0;
    if (J.turns) {
      if (model.sineTable == nullptr) {
        X.s = std::sin(q[i]);
        X.c = std::cos(q[i]);
      } else {
        X.s = SineFromTable(*model.sineTable, q[i]);
        X.c = CosineFromTable(*model.sineTable, q[i]);
      }
    } else {
      X.s = 0.0;
      X.c = 1.0;
      X.tz = J.shift[2] + q[i];  // the slide along z enters the shift
    }
    w.sine[i] = X.s;
    w.cosine[i] = X.c;
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
    const ArticulatedInertia& M = w.inertia[i];
    const SpatialVector& beta = w.bias[i];
    const int axis = AxisIndex(J.turns);
    const double inverseD = 1.0 / M[InertiaEntry(axis, axis)];
    w.inverseD[i] = inverseD;
    if (J.parent < 0) continue;
    ArticulatedInertia free, slot;
    ProjectOutAxis(free, M, axis, inverseD);
    InertiaToParent(slot, free, w.transform[i]);
    AddInto(w.inertia[J.parent], slot);
    // beta_i + U (p_i - Sᵀbeta_i)/D
    const double share = (p[i] - beta[axis]) * inverseD;
    SpatialVector handed, biasSlot;
    for (int k = 0; k < 6; ++k) handed[k] = beta[k] + M[InertiaEntry(k, axis)] * share;
    ForceToParent(biasSlot, handed, w.transform[i]);
    AddInto(w.bias[J.parent], biasSlot);
  }
  // Outward: q̇_i, v_i, the velocity term of ṗ_i, gravity and each body's load.
  for (int i = 0; i < n; ++i) {
    const JointConstants& J = model.joints[i];
    const JointTransformOf<double>& X = w.transform[i];
    const ArticulatedInertia& M = w.inertia[i];
    const int axis = AxisIndex(J.turns);
    SpatialVector v;
    MotionToChild(v, J.parent < 0 ? Zero : w.velocity[J.parent], X);
    double Uv = 0.0;
    for (int k = 0; k < 6; ++k) Uv = Uv + M[InertiaEntry(k, axis)] * v[k];
    const double rate = ((p[i] - w.bias[i][axis]) - Uv) * w.inverseD[i];
    qdot[i] = rate;
    v[axis] = v[axis] + rate;
    w.velocity[i] = v;
    SpatialVector H;
    Apply(H, M, v);
    AddInto(H, w.bias[i]);
    w.velocityTerm[i] = AxisCrossForce(v, H, J.turns);
    // g_i = Eᵀ g_λ(i); the weight m g_i acts at the centre of mass.
    const double* gParent = J.parent < 0 ? model.gravity : &w.gravity[3 * J.parent];
    const double gp[3] = {gParent[0], gParent[1], gParent[2]};
    double g[3];
    RotateToChild(g, gp, X);
    for (int k = 0; k < 3; ++k) w.gravity[3 * i + k] = g[k];
    SpatialVector& load = w.force[i];
    GravityForce(load, g, J.centreOfMass, J.mass);
    const double tau = (torques == nullptr ? 0.0 : torques[i]) - J.damping * rate;
    w.torque[i] = tau;
    load[axis] = load[axis] + tau;
  }
  // Inward: F_i, ṗ_i; the parent takes F_i less the joint's own torque, which reacts on it.
  for (int i = n - 1; i >= 0; --i) {
    const JointConstants& J = model.joints[i];
    SpatialVector F = w.force[i];
    const int axis = AxisIndex(J.turns);
    pdot[i] = F[axis] - w.velocityTerm[i];
    if (J.parent < 0) continue;
    F[axis] = F[axis] - w.torque[i];
    SpatialVector slot;
    ForceToParent(slot, F, w.transform[i]);
    AddInto(w.force[J.parent], slot);
  }
}

void Momenta(const Model::Data& model, ModelWorkspace::Storage& w, const double* q,
             const double* qdot, double* p) {
  const int n = w.n;
  FormTransforms(model, w, q);
  for (int i = 0; i < n; ++i) {
    const JointConstants& J = model.joints[i];
    SpatialVector v;
    MotionToChild(v, J.parent < 0 ? Zero : w.velocity[J.parent], w.transform[i]);
    const int axis = AxisIndex(J.turns);
    v[axis] = v[axis] + qdot[i];
    w.velocity[i] = v;
    ApplyRigidInertia(w.force[i], J.mass, J.inertia, J.centreOfMass, v);
  }
  for (int i = n - 1; i >= 0; --i) {
    const JointConstants& J = model.joints[i];
    p[i] = w.force[i][AxisIndex(J.turns)];
    if (J.parent < 0) continue;
    SpatialVector slot;
    ForceToParent(slot, w.force[i], w.transform[i]);
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
    ArticulatedInertia slot;
    InertiaToParent(slot, w.inertia[i], w.transform[i]);
    AddInto(w.inertia[parent], slot);
  }
  for (int k = 0; k < n * n; ++k) matrix[k] = 0.0;
  for (int i = 0; i < n; ++i) {
    const int axis = AxisIndex(model.joints[i].turns);
    SpatialVector f;
    for (int k = 0; k < 6; ++k) f[k] = w.inertia[i][InertiaEntry(k, axis)];
    matrix[i * n + i] = f[axis];
    for (int j = i; model.joints[j].parent >= 0;) {
      SpatialVector moved;
      ForceToParent(moved, f, w.transform[j]);
      f = moved;
      j = model.joints[j].parent;
      const double a = f[AxisIndex(model.joints[j].turns)];
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
    const JointTransformOf<double>& X = w.transform[i];
    double* R = &w.rotation[9 * i];
    // R_i = R_λ(i) E_i, column by column: E_i e_k is the joint's rotation of axis k.
    for (int k = 0; k < 3; ++k) {
      const double axis[3] = {k == 0 ? 1.0 : 0.0, k == 1 ? 1.0 : 0.0, k == 2 ? 1.0 : 0.0};
      double column[3];
      RotateToParent(column, axis, X);
      for (int row = 0; row < 3; ++row) {
        R[3 * row + k] =
            Rp[3 * row] * column[0] + Rp[3 * row + 1] * column[1] + Rp[3 * row + 2] * column[2];
      }
    }
    // o_i = o_λ(i) + R_λ(i) r_i
    double r[3];
    OriginInParent(r, X);
    for (int row = 0; row < 3; ++row) {
      w.origin[3 * i + row] =
          op[row] + (Rp[3 * row] * r[0] + Rp[3 * row + 1] * r[1] + Rp[3 * row + 2] * r[2]);
    }
  }
}

}  // namespace tree
}  // namespace pendula
