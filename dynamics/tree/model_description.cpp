// A tree's description validated and turned into each joint's constants in its own frame, whose
// z axis is the joint axis.
#include <array>
#include <cmath>
#include <string>

#include "dynamics/calls/chain_calls.h"
#include "dynamics/lanes/lane_widths.h"
#include "dynamics/spatial/symmetric_eigenvalues.h"
#include "dynamics/tree/tree_kernels.h"
#include "dynamics/tree/tree_lanes.h"
#include "dynamics/tree/tree_recursions.h"
#include "dynamics/trigonometry/exact_sines.h"

namespace pendula {
namespace {

using Matrix3 = double[3][3];

std::string JointName(const ModelDescription& description, std::size_t i) {
  const std::string& name = description.joints[i].name;
  return "joints[" + std::to_string(i) + "]" + (name.empty() ? "" : " (" + name + ")");
}

void RequireFinite(double x, const std::string& what) {
  if (!std::isfinite(x)) Refuse(what + " must be finite; got " + Number(x));
}

// R = Rz(yaw)·Ry(pitch)·Rx(roll).
void RollPitchYaw(const double (&rpy)[3], Matrix3& R) {
  // Exact sines, so that a robot's constants are the same bits on every CPU.
  double cr, sr, cp, sp, cy, sy;
  ExactSineAndCosine(rpy[0], sr, cr);
  ExactSineAndCosine(rpy[1], sp, cp);
  ExactSineAndCosine(rpy[2], sy, cy);
  const double M[3][3] = {{cy * cp, cy * sp * sr - sy * cr, cy * sp * cr + sy * sr},
                          {sy * cp, sy * sp * sr + cy * cr, sy * sp * cr - cy * sr},
                          {-sp, cp * sr, cp * cr}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) R[i][j] = M[i][j];
  }
  // Zero angles give the exact identity (cos 0 = 1, sin 0 = 0), as they should.
}

// out = Aᵀ B C.
void TransposeTimes(const Matrix3& A, const Matrix3& B, const Matrix3& C, Matrix3& out) {
  double AB[3][3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      AB[i][j] = A[0][i] * B[0][j] + A[1][i] * B[1][j] + A[2][i] * B[2][j];
    }
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      out[i][j] = AB[i][0] * C[0][j] + AB[i][1] * C[1][j] + AB[i][2] * C[2][j];
    }
  }
}

// The inertia about the centre of mass must be a body's: positive semidefinite, its principal
// moments within the triangle inequality (no moment above the sum of the other two).
void RequireBodyInertia(const double (&I)[6], const std::string& name) {
  // How far the moments may miss, relative to their sum: a thin rod or a flat plate is a body,
  // and its eigenvalues come out of the rotation only to within rounding.
  constexpr double Slack = 1e-12;
  double M[3][3] = {{I[0], I[1], I[2]}, {I[1], I[3], I[4]}, {I[2], I[4], I[5]}};
  double moments[3];
  SymmetricEigenvalues(M, moments);
  const double sum = moments[0] + moments[1] + moments[2];
  const std::string about = name + ".inertia (xx, xy, xz, yy, yz, zz = " + Number(I[0]) + ", " +
                            Number(I[1]) + ", " + Number(I[2]) + ", " + Number(I[3]) + ", " +
                            Number(I[4]) + ", " + Number(I[5]) + ")";
  for (int k = 0; k < 3; ++k) {
    if (moments[k] < -Slack * sum) {
      Refuse(about + " has a negative principal moment " + Number(moments[k]));
    }
    if (moments[k] > sum - moments[k] + Slack * sum) {
      Refuse(about + " has principal moments " + Number(moments[0]) + ", " + Number(moments[1]) +
             ", " + Number(moments[2]) + ", which break the triangle inequality (no moment may " +
             "exceed the sum of the other two)");
    }
  }
}

void ValidateJoint(const ModelDescription& description, std::size_t i) {
  const Joint& joint = description.joints[i];
  const std::string name = JointName(description, i);
  static const char* const axes[3] = {"x", "y", "z"};
  static const char* const entries[6] = {"xx", "xy", "xz", "yy", "yz", "zz"};
  if (joint.parent < -1 || joint.parent >= static_cast<int>(i)) {
    Refuse(name + ".parent must be -1 (the base) or an earlier joint's index, 0 to " +
           std::to_string(static_cast<int>(i) - 1) + "; got " + std::to_string(joint.parent));
  }
  if (joint.kind != JointKind::Revolute && joint.kind != JointKind::Prismatic) {
    Refuse(name + ".kind must be revolute or prismatic");
  }
  for (int k = 0; k < 3; ++k) {
    RequireFinite(joint.axis[k], name + ".axis " + axes[k]);
    RequireFinite(joint.xyz[k], name + ".xyz " + axes[k]);
    RequireFinite(joint.rpy[k], name + ".rpy " + axes[k]);
    RequireFinite(joint.centreOfMass[k], name + ".centre of mass " + axes[k]);
  }
  if (joint.axis[0] == 0.0 && joint.axis[1] == 0.0 && joint.axis[2] == 0.0) {
    Refuse(name + ".axis must not be zero");
  }
  RequireFinite(joint.mass, name + ".mass");
  if (joint.mass < 0.0) Refuse(name + ".mass must be >= 0; got " + Number(joint.mass));
  for (int k = 0; k < 6; ++k) RequireFinite(joint.inertia[k], name + ".inertia " + entries[k]);
  RequireBodyInertia(joint.inertia, name);
  RequireFinite(joint.damping, name + ".damping");
  if (joint.damping < 0.0) Refuse(name + ".damping must be >= 0; got " + Number(joint.damping));
}

// The components of v below rounding's share of its length (1e-15 of it) set to zero: the
// residues that the products of the placements' rotations leave where the robot has none.
void DropRounding(double (&v)[3]) {
  const double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  for (double& x : v) {
    if (std::fabs(x) <= 1e-15 * length) x = 0.0;
  }
}

// The twist and turn that carry the parent's z axis onto u (unit): u = Rz(gamma) Rx(alpha) e_z,
// cos alpha = u_z. The twist's sign is free (Rz(gamma + pi) Rx(-alpha) carries e_z where
// Rz(gamma) Rx(alpha) does): it is taken so that cos gamma >= 0, and an axis in the parent's yz
// plane needs no turn.
void TwistAndTurn(const double (&u)[3], JointConstants& J) {
  J.sinAlpha = std::sqrt(u[0] * u[0] + u[1] * u[1]);
  if (u[1] > 0.0) J.sinAlpha = -J.sinAlpha;
  J.cosAlpha = u[2];
  J.sinGamma = J.sinAlpha != 0.0 ? u[0] / J.sinAlpha : 0.0;
  J.cosGamma = J.sinAlpha != 0.0 ? -u[1] / J.sinAlpha : 1.0;
}

// The joint's axis u in its parent's frame Q_λ, u = Q_λᵀ R(rpy) axis, unit, and its origin there,
// r0 = Q_λᵀ xyz; R = R(rpy).
void AxisInParent(const Joint& joint, const Matrix3& Qparent, Matrix3& R, double (&u)[3],
                  double (&r0)[3]) {
  double axis[3] = {joint.axis[0], joint.axis[1], joint.axis[2]};
  const double length = std::sqrt(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  for (double& c : axis) c /= length;
  RollPitchYaw(joint.rpy, R);
  double Ra[3];
  for (int i = 0; i < 3; ++i) Ra[i] = R[i][0] * axis[0] + R[i][1] * axis[1] + R[i][2] * axis[2];
  for (int i = 0; i < 3; ++i) {
    u[i] = Qparent[0][i] * Ra[0] + Qparent[1][i] * Ra[1] + Qparent[2][i] * Ra[2];
    r0[i] =
        Qparent[0][i] * joint.xyz[0] + Qparent[1][i] * joint.xyz[1] + Qparent[2][i] * joint.xyz[2];
  }
  // An axis along a coordinate axis of the parent's frame, but for rounding, lies along it
  // exactly: its placement is then no turn or a quarter turn, which the recursions skip or make
  // exactly.
  DropRounding(u);
  const double uLength = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
  for (double& x : u) x /= uLength;
}

// Joint i's constants. Its axis in the parent's turned frame fixes the twist alpha and the turn
// gamma (TwistAndTurn); the origin r0, seen in the twisted frame, is the shift
// t = Rx(alpha)ᵀ Rz(gamma)ᵀ r0. The joint's turned frame is Q = R(rpy)ᵀ Q_λ Rz(gamma) Rx(alpha),
// spun by delta about the joint axis (spin = sin delta, cos delta) for a revolute joint, and its
// body is expressed in it.
JointConstants ConstantsOf(const Joint& joint, const Matrix3& Qparent, const double (&spin)[2],
                           Matrix3& Q) {
  double R[3][3], u[3], r0[3];
  AxisInParent(joint, Qparent, R, u, r0);
  JointConstants J{};
  J.parent = joint.parent;
  J.turns = joint.kind == JointKind::Revolute;
  TwistAndTurn(u, J);
  const double cg = J.cosGamma, sg = J.sinGamma, ca = J.cosAlpha, sa = J.sinAlpha;
  const double w[3] = {cg * r0[0] + sg * r0[1], cg * r0[1] - sg * r0[0], r0[2]};
  double t[3] = {w[0], ca * w[1] + sa * w[2], ca * w[2] - sa * w[1]};
  DropRounding(t);
  for (int k = 0; k < 3; ++k) J.shift[k] = t[k];
  // Q = Rᵀ Q_λ E Rz(delta), E = Rz(gamma) Rx(alpha)
  J.sinDelta = spin[0];
  J.cosDelta = spin[1];
  J.spun = J.turns && (spin[0] != 0.0 || spin[1] != 1.0);
  if (!J.spun) {
    J.sinDelta = 0.0;
    J.cosDelta = 1.0;
  }
  const double sd = J.sinDelta, cd = J.cosDelta;
  const double E[3][3] = {{cg, -sg * ca, sg * sa}, {sg, cg * ca, -cg * sa}, {0.0, sa, ca}};
  const double spunE[3][3] = {{cg * cd - sg * ca * sd, -cg * sd - sg * ca * cd, sg * sa},
                              {sg * cd + cg * ca * sd, -sg * sd + cg * ca * cd, -cg * sa},
                              {sa * sd, sa * cd, ca}};
  double QpE[3][3];
  const double identity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  TransposeTimes(identity, Qparent, J.spun ? spunE : E, QpE);
  TransposeTimes(R, QpE, identity, Q);
  // c = Qᵀ c_body, Ic = Qᵀ Ic_body Q, Io = Ic + m (|c|² 1 - c cᵀ)
  const double* I = joint.inertia;
  const double Ibody[3][3] = {{I[0], I[1], I[2]}, {I[1], I[3], I[4]}, {I[2], I[4], I[5]}};
  double IQ[3][3], Ic[3][3];
  TransposeTimes(identity, Ibody, Q, IQ);
  TransposeTimes(Q, IQ, identity, Ic);
  double c[3];
  for (int i = 0; i < 3; ++i) {
    c[i] = Q[0][i] * joint.centreOfMass[0] + Q[1][i] * joint.centreOfMass[1] +
           Q[2][i] * joint.centreOfMass[2];
  }
  const double m = joint.mass;
  const double cc = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
  const int upper[6][2] = {{0, 0}, {0, 1}, {0, 2}, {1, 1}, {1, 2}, {2, 2}};
  for (int k = 0; k < 6; ++k) {
    const int i = upper[k][0], j = upper[k][1];
    J.inertia[k] = Ic[i][j] + m * ((i == j ? cc : 0.0) - c[i] * c[j]);
  }
  for (int i = 0; i < 3; ++i) J.centreOfMass[i] = c[i];
  J.mass = m;
  J.damping = joint.damping;
  return J;
}

// Every joint must have inertia to move: D_i = Sᵀ M_i S > 0 for the articulated inertia of its
// subtree, checked at q = 0 against the subtree's composite inertia (the mass matrix's diagonal),
// which D_i cannot exceed.
void RequireMovingInertia(const Model::Data& data) {
  ModelWorkspace::Storage w(data);
  const std::size_t n = data.joints.size();
  const std::vector<double> zeros(n, 0.0);
  std::vector<double> D(n), A(n * n);
  TreeJointInertias(data, w, zeros.data(), zeros.data(), D.data());
  TreeMassMatrix(data, w, zeros.data(), A.data());
  for (std::size_t i = 0; i < n; ++i) {
    const double composite = A[i * n + i];
    if (!(D[i] > 1e-12 * composite) || !(composite > 0.0)) {
      Refuse(JointName(data.description, i) +
             ": the bodies it moves have no mass or no inertia about its axis, so its " +
             "joint-space mass would be zero");
    }
  }
}

}  // namespace

// cppcheck takes Chain::Model's member `chain` for one of this class: Model has no such member.
// cppcheck-suppress uninitMemberVar
Model::Model(const ModelDescription& description) {
  const std::size_t count = description.joints.size();
  if (count < static_cast<std::size_t>(MinModelJoints) ||
      count > static_cast<std::size_t>(MaxModelJoints)) {
    Refuse("a model has " + std::to_string(MinModelJoints) + " to " +
           std::to_string(MaxModelJoints) + " joints; got " + std::to_string(count));
  }
  static const char* const axes[3] = {"x", "y", "z"};
  for (int k = 0; k < 3; ++k)
    RequireFinite(description.gravity[k], std::string("gravity ") + axes[k]);
  if (description.trigonometry != Trigonometry::Table &&
      description.trigonometry != Trigonometry::Exact) {
    Refuse("trigonometry must be Table or Exact");
  }
  for (std::size_t i = 0; i < count; ++i) ValidateJoint(description, i);
  auto data = std::make_shared<Data>();
  data->description = description;
  data->parents.resize(count);
  data->joints.resize(count);
  data->rigid.resize(count);
  std::vector<std::array<double, 9>> frames(count);  // each joint's Q, row-major
  const double identity[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  std::vector<std::size_t> firstChild(count, 0);  // each joint's lowest-numbered child; 0: none
  for (std::size_t i = count; i-- > 0;) {
    const int parent = description.joints[i].parent;
    if (parent >= 0) firstChild[static_cast<std::size_t>(parent)] = i;
  }
  for (std::size_t i = 0; i < count; ++i) {
    const Joint& joint = description.joints[i];
    double Qparent[3][3], Q[3][3];
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) {
        Qparent[r][c] = joint.parent < 0 ? identity[r][c] : frames[joint.parent][3 * r + c];
      }
    }
    // The body's frame is spun about its joint axis so that the first child placed with a turn
    // needs none: that child's placement loses a stage in every recursion.
    double spin[2] = {0.0, 1.0};
    if (joint.kind == JointKind::Revolute && firstChild[i] > 0) {
      ConstantsOf(joint, Qparent, spin, Q);
      for (std::size_t c = firstChild[i]; c < count; ++c) {
        if (description.joints[c].parent != static_cast<int>(i)) continue;
        double R[3][3], u[3], r0[3];
        AxisInParent(description.joints[c], Q, R, u, r0);
        JointConstants child{};
        TwistAndTurn(u, child);
        if (child.sinGamma == 0.0 && child.cosGamma == 1.0) continue;
        spin[0] = child.sinGamma;
        spin[1] = child.cosGamma;
        break;
      }
    }
    data->joints[i] = ConstantsOf(joint, Qparent, spin, Q);
    for (int r = 0; r < 3; ++r) {
      for (int c = 0; c < 3; ++c) frames[i][3 * r + c] = Q[r][c];
    }
    data->parents[i] = joint.parent;
    const JointConstants& J = data->joints[i];
    BuildArticulatedInertia(data->rigid[i], J.mass, J.inertia, J.centreOfMass);
  }
  for (std::size_t i = count; i-- > 0;) {
    const int parent = data->parents[i];
    if (parent < 0) continue;
    data->joints[i].firstChild = !data->joints[parent].hasChildren;
    data->joints[parent].hasChildren = true;
  }
  for (int k = 0; k < 3; ++k) data->gravity[k] = description.gravity[k];
  data->sineTable = description.trigonometry == Trigonometry::Table ? &SharedSineTable() : nullptr;
  data->freeRigid.resize(count);
  data->inverseRigidD.resize(count);
  for (std::size_t i = 0; i < count; ++i) {
    const int axis = joints::AxisIndex(data->joints[i].turns);
    data->inverseRigidD[i] = 1.0 / data->rigid[i][InertiaEntry(axis, axis)];
    joints::ProjectOutAxis(data->freeRigid[i], data->rigid[i], axis, data->inverseRigidD[i]);
  }
  RequireMovingInertia(*data);
  data->chain = PlanarChainOf(description);
  data_ = std::move(data);
}

int Model::jointCount() const {
  return static_cast<int>(data_->joints.size());
}

const ModelDescription& Model::description() const {
  return data_->description;
}

const std::vector<int>& Model::parents() const {
  return data_->parents;
}

ModelWorkspace::Storage::Storage(const Model::Data& data)
    : n(static_cast<int>(data.joints.size())),
      laneWidth(WidestLaneWidth()),
      one(MakeAlignedBlock(OneTreeStateBytes(n))),
      lanes(MakeAlignedBlock(TreeLaneBytes(laneWidth, n))),
      rotation(9 * static_cast<std::size_t>(n)),
      origin(3 * static_cast<std::size_t>(n)),
      step(6 * static_cast<std::size_t>(n)),
      midpoint(n),
      adaptive(n),
      derivatives(n) {
  if (data.chain) chain.emplace(*data.chain);
}

ModelWorkspace::ModelWorkspace(const Model& model)
    : storage_(std::make_unique<Storage>(ModelAccess::DataOf(model))) {}
ModelWorkspace::~ModelWorkspace() = default;
ModelWorkspace::ModelWorkspace(ModelWorkspace&&) noexcept = default;
ModelWorkspace& ModelWorkspace::operator=(ModelWorkspace&&) noexcept = default;

}  // namespace pendula
