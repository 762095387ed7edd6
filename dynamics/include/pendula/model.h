// Trees of your own: a robot of 1 to 1,000 joints on a fixed base, revolute or prismatic, each
// placed anywhere in its parent body's frame, described joint by joint (or read from a URDF file)
// and built into a model at run time, and the algorithms on it, each called as
// algorithm(model, workspace, ...). As for chains (chain.h): the model is read-only once built
// and may be shared between threads, the workspace is the caller's working data, one per thread,
// sized when it is made so that no call allocates, and arguments that no call can take raise
// std::invalid_argument with a message that says what was expected.
//
// Numbering: body 0 is the fixed base; joint i (0 .. n-1) moves body i + 1 relative to its
// parent body, the body of joint parents[i] (the base for -1); every parent is listed before its
// children. A state is the n joint positions q (radians for a revolute joint, metres for a
// prismatic one) and the n generalized momenta p conjugate to them, p = A(q)·q̇, A the
// joint-space mass matrix; joint i's value sits at element i of every array of n values.
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "chain.h"  // beside this header, in the tree and installed

namespace pendula {

// How a joint moves its body: turning about its axis, or sliding along it.
enum class JointKind { Revolute, Prismatic };

// One joint and the body it moves. Its frame lies in the parent body's frame as URDF's
// <origin xyz rpy> places it: shifted by xyz, then turned by roll, pitch and yaw about the fixed
// x, y and z axes (R = Rz(yaw)·Ry(pitch)·Rx(roll)); the joint then turns the body about `axis`
// (a revolute joint, by q radians) or slides it along `axis` (prismatic, by q metres), the axis
// in the joint's frame, which is the body's frame. The body: its mass, its centre of mass in the
// body frame and its rotational inertia about the centre of mass in the body's axes
// (xx, xy, xz, yy, yz, zz; a massless body has mass and inertia zero). damping d >= 0 is the
// generalized force -d·q̇ at the joint.
struct Joint {
  std::string name;
  int parent = -1;
  JointKind kind = JointKind::Revolute;
  double axis[3] = {0.0, 0.0, 1.0};
  double xyz[3] = {0.0, 0.0, 0.0};
  double rpy[3] = {0.0, 0.0, 0.0};
  double mass = 0.0;
  double centreOfMass[3] = {0.0, 0.0, 0.0};
  double inertia[6] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
  double damping = 0.0;
};

// A whole tree: its joints, parents first, gravity in base coordinates (m/s^2), the trigonometry
// of its model (exact sines by default: smooth in q) and a name (a URDF's robot name).
struct ModelDescription {
  std::string name;
  std::vector<Joint> joints;
  double gravity[3] = {0.0, 0.0, -StandardGravity};
  Trigonometry trigonometry = Trigonometry::Exact;
};

// A chain as a tree: joint k (named "link<k+1>") turns link k about its z axis and has parent
// k - 1; it lies at Rx(alpha)·(a, 0, -d) in its parent's frame (xyz = (a, d sin alpha,
// -d cos alpha), rpy = (alpha, 0, 0)); the inertia moves from the link origin to the centre of
// mass; gravity and trigonometry are the chain's.
ModelDescription TreeOfChain(const ChainDescription& chain);

// The fewest and the most joints a model may have.
constexpr int MinModelJoints = 1;
constexpr int MaxModelJoints = 1000;

// The model built from a description: validated when it is built, read-only after. A tree that
// is a planar chain (every parent k - 1, revolute joints about z placed at (a, 0, 0) with no
// turn, each body with mass, no damping, and bodies and gravity in the xy plane, as
// TreeOfChain makes of an in-plane chain) is stepped by the chain's in-plane recursion, in lanes
// as a Chain's batch is: the same dynamics, to rounding, at the chain's cost.
struct ModelAccess;

class Model {
 public:
  // Builds the model of the description. std::invalid_argument, with a message that names the
  // joint (joints[i] and its name) and the field, for a joint count outside 1..1000, a parent
  // that is not an earlier joint or -1, a zero axis, a value that is not finite, a mass < 0, an
  // inertia that is not a body's (not positive semidefinite, or its principal moments break the
  // triangle inequality), a damping < 0, or a joint whose moving subtree has no inertia to move
  // (its joint-space mass would be zero).
  explicit Model(const ModelDescription& description);

  int jointCount() const;
  const ModelDescription& description() const;
  // parents()[i] is the parent joint of joint i, -1 for the base.
  const std::vector<int>& parents() const;

  struct Data;  // what the algorithms read, opaque

 private:
  friend struct ModelAccess;  // the library's own files
  std::shared_ptr<const Data> data_;
};

// The working data of the algorithms for one model: one per thread, made once.
class ModelWorkspace {
 public:
  explicit ModelWorkspace(const Model& model);
  ~ModelWorkspace();
  ModelWorkspace(ModelWorkspace&&) noexcept;
  ModelWorkspace& operator=(ModelWorkspace&&) noexcept;
  ModelWorkspace(const ModelWorkspace&) = delete;
  ModelWorkspace& operator=(const ModelWorkspace&) = delete;

  struct Storage;  // opaque

 private:
  friend struct ModelAccess;
  std::unique_ptr<Storage> storage_;
};

// Every call below: the model and a workspace made for it (std::invalid_argument otherwise),
// arrays of n values (rows of n for a batch), none of them null, and outputs distinct from every
// input. torques, where taken, are n generalized forces (a torque at a revolute joint, a force
// at a prismatic one) or null for none; each acts at its joint alone (on its body and, as the
// reaction, on the parent), beside the joint's damping -d·q̇. Non-finite states give non-finite
// results.

// p = A(q)·q̇: the momenta from the positions and the joint rates.
void MomentumInitialisation(const Model& model, ModelWorkspace& workspace, double* momenta,
                            const double* positions, const double* rates);

// (p, q) -> (ṗ, q̇): q̇ = A(q)^-1 p and ṗ = -∂H/∂q + Q (Q the torques and the damping), by an O(n)
// recursion of the articulated-body kind in momentum form, which never forms A(q).
void ForwardDynamics(const Model& model, ModelWorkspace& workspace, const double* momenta,
                     const double* positions, double* momentumRates, double* rates,
                     const double* torques = nullptr);

// The joint-space mass matrix A(q), n by n, row-major into `matrix`, by composite rigid bodies.
void MassMatrix(const Model& model, ModelWorkspace& workspace, const double* positions,
                double* matrix);

// One step of size h > 0 by the method (chain.h), in place when it is taken; the same torques in
// every evaluation.
StepStatus Step(const Model& model, ModelWorkspace& workspace, double* momenta, double* positions,
                double h, StepMethod method = StepMethod::Heun, const double* torques = nullptr,
                const NewtonSettings& newton = {});

// Step on each of states 0 .. count - 1 (momenta and positions row by row, state i's at i·n); each
// state ends bit for bit where Step takes it alone. torques as for StepChains (chain.h).
BatchStepStatus StepStates(const Model& model, ModelWorkspace& workspace, double* momenta,
                           double* positions, int count, double h,
                           StepMethod method = StepMethod::Heun, JointTorques torques = {},
                           const NewtonSettings& newton = {});

// Integrates one state over `duration` >= 0 seconds, in place, by the adaptive Dormand–Prince
// 5(4) pair of Integrate (chain.h).
IntegrationStatistics Integrate(const Model& model, ModelWorkspace& workspace, double* momenta,
                                double* positions, double duration,
                                const AdaptiveTolerances& tolerances = {},
                                const double* torques = nullptr);

// Total energy, joules: ½ pᵀq̇ plus each body's weight at its centre of mass, -m gᵀ r, with r
// measured from the base's origin.
double Energy(const Model& model, ModelWorkspace& workspace, const double* momenta,
              const double* positions);

// Where each joint's frame origin lies in base coordinates: origins[3i .. 3i+2] is joint i's.
void FrameOrigins(const Model& model, ModelWorkspace& workspace, const double* positions,
                  double* origins);

// A URDF file that cannot be read (missing, unreadable): the message names the file.
struct UrdfFileError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// The description of the robot in a URDF file: its root link is the fixed base; `revolute` and
// `continuous` joints turn, `prismatic` joints slide; `fixed` joints are merged into their parent
// body (the child's inertia moved by the parallel-axis theorem into the parent's frame); a link
// with no <inertial> is massless; <dynamics damping> is the joint's damping. Joint limits,
// meshes, collisions and transmissions are read past: the model has no limits and no contacts.
// UrdfFileError for a file that cannot be read; std::invalid_argument, naming the file and the
// element, for malformed XML, a `floating` or `planar` joint, an unknown parent or child, two
// roots or a loop. gravity and trigonometry are those of the description returned.
ModelDescription LoadUrdf(const std::string& path);

}  // namespace pendula
