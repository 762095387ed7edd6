// The recursions of tree_recursions.h, on one state.
#include "dynamics/tree/tree_recursions.h"

#include "dynamics/tree/tree_evaluation.h"
#include "dynamics/tree/tree_lanes.h"

namespace pendula {
namespace {

using tree::TreeData;

// The one-state working data, bound to the workspace's block.
TreeData<double> OneState(ModelWorkspace::Storage& w) {
  TreeData<double> d;
  LinkArena arena{w.one.get(), w.n};
  tree::ForEachTreeArray(d, arena);
  return d;
}

}  // namespace

std::size_t OneTreeStateBytes(int n) {
  TreeData<double> d;
  LinkBytes bytes{n};
  tree::ForEachTreeArray(d, bytes);
  return bytes.used;
}

void TreeForwardDynamics(const Model::Data& model, ModelWorkspace::Storage& w, const double* p,
                         const double* q, const double* torques, double* pdot, double* qdot) {
  TreeStateForwardDynamics(w.laneWidth, model, w.one.get(), p, q, torques, pdot, qdot);
}

void TreeJointInertias(const Model::Data& model, ModelWorkspace::Storage& w, const double* p,
                       const double* q, double* D) {
  const int n = w.n;
  double* pdot = w.step.data();
  double* qdot = pdot + n;
  TreeForwardDynamics(model, w, p, q, nullptr, pdot, qdot);
  const TreeData<double> d = OneState(w);
  for (int i = 0; i < n; ++i) D[i] = 1.0 / d.inverseD[i];
}

void TreeMomenta(const Model::Data& model, ModelWorkspace::Storage& w, const double* q,
                 const double* qdot, double* p) {
  using namespace joints;
  const int n = w.n;
  TreeData<double> d = OneState(w);
  tree::FormTransforms(model, d, q);
  const SpatialVector zero = {{0.0, 0.0, 0.0, 0.0, 0.0, 0.0}};
  for (int i = 0; i < n; ++i) {
    const JointConstants& J = model.joints[i];
    SpatialVector v;
    MotionToChild(v, J.parent < 0 ? zero : d.velocity[J.parent], d.transform[i]);
    const int axis = AxisIndex(J.turns);
    v[axis] = v[axis] + qdot[i];
    d.velocity[i] = v;
    ApplyRigidInertia(d.force[i], J.mass, J.inertia, J.centreOfMass, v);
  }
  for (int i = n - 1; i >= 0; --i) {
    const JointConstants& J = model.joints[i];
    p[i] = d.force[i][AxisIndex(J.turns)];
    if (J.parent < 0) continue;
    SpatialVector slot;
    ForceToParent(slot, d.force[i], d.transform[i]);
    tree::AddInto(d.force[J.parent], slot);
  }
}

void TreeMassMatrix(const Model::Data& model, ModelWorkspace::Storage& w, const double* q,
                    double* matrix) {
  using namespace joints;
  const int n = w.n;
  TreeData<double> d = OneState(w);
  tree::FormTransforms(model, d, q);
  for (int i = 0; i < n; ++i) d.inertia[i] = model.rigid[i];
  for (int i = n - 1; i >= 0; --i) {
    const int parent = model.joints[i].parent;
    if (parent < 0) continue;
    ArticulatedInertia slot;
    InertiaToParent(slot, d.inertia[i], d.transform[i]);
    tree::AddInto(d.inertia[parent], slot);
  }
  for (int k = 0; k < n * n; ++k) matrix[k] = 0.0;
  for (int i = 0; i < n; ++i) {
    const int axis = AxisIndex(model.joints[i].turns);
    SpatialVector f;
    for (int k = 0; k < 6; ++k) f[k] = d.inertia[i][InertiaEntry(k, axis)];
    matrix[i * n + i] = f[axis];
    for (int j = i; model.joints[j].parent >= 0;) {
      SpatialVector moved;
      ForceToParent(moved, f, d.transform[j]);
      f = moved;
      j = model.joints[j].parent;
      const double a = f[AxisIndex(model.joints[j].turns)];
      matrix[i * n + j] = a;
      matrix[j * n + i] = a;
    }
  }
}

void TreeFrames(const Model::Data& model, ModelWorkspace::Storage& w, const double* q) {
  using namespace joints;
  TreeData<double> d = OneState(w);
  tree::FormTransforms(model, d, q);
  static const double identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  static const double origin[3] = {0.0, 0.0, 0.0};
  for (std::size_t i = 0; i < model.joints.size(); ++i) {
    const int parent = model.joints[i].parent;
    const double* Rp = parent < 0 ? identity : &w.rotation[9 * static_cast<std::size_t>(parent)];
    const double* op = parent < 0 ? origin : &w.origin[3 * static_cast<std::size_t>(parent)];
    const JointTransformOf<double>& X = d.transform[i];
    double* R = &w.rotation[9 * i];
    // R_i = R_λ(i) E_i, column by column: E_i e_k is the joint's rotation of axis k.
    for (std::size_t k = 0; k < 3; ++k) {
      const double axis[3] = {k == 0 ? 1.0 : 0.0, k == 1 ? 1.0 : 0.0, k == 2 ? 1.0 : 0.0};
      double column[3];
      RotateToParent(column, axis, X);
      for (std::size_t row = 0; row < 3; ++row) {
        R[3 * row + k] =
            Rp[3 * row] * column[0] + Rp[3 * row + 1] * column[1] + Rp[3 * row + 2] * column[2];
      }
    }
    // o_i = o_λ(i) + R_λ(i) r_i
    double r[3];
    OriginInParent(r, X);
    for (std::size_t row = 0; row < 3; ++row) {
      w.origin[3 * i + row] =
          op[row] + (Rp[3 * row] * r[0] + Rp[3 * row + 1] * r[1] + Rp[3 * row + 2] * r[2]);
    }
  }
}

}  // namespace pendula
