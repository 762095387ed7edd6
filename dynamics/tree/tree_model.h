// What a Model and a ModelWorkspace hold, for the files that implement them: each joint's
// constants in its own frame, whose z axis is the joint axis, and the working data of the
// recursions, one slot of each kind per joint.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "dynamics/derivatives/jacobian_storage.h"
#include "dynamics/integrators/dormand_prince.h"
#include "dynamics/integrators/implicit_midpoint.h"
#include "dynamics/lanes/aligned_block.h"
#include "dynamics/spatial/spatial_types.h"
#include "dynamics/trigonometry/sine_table.h"
#include "pendula/model.h"

namespace pendula {

// One joint in the frame the recursion uses: the joint's own frame (URDF's child link frame)
// turned about the joint axis, which is its z axis, so that it lies in its parent's frame as
// Rz(gamma)·Rx(alpha)·T(t) (tree_kernels.h), and its body's frame in the joint's as
// Rz(q)·Rz(delta). Its body's constants are taken about the frame's origin.
struct JointConstants {
  int parent;       // -1 for the base
  bool turns;       // revolute (S = e5), else prismatic (S = e2)
  double shift[3];  // t, at q = 0 for a prismatic joint, whose slide adds q to its z
  double sinAlpha, cosAlpha;
  double sinGamma, cosGamma;
  // The body's frame lies in the joint's rotated frame as Rz(delta): the joint turns it by
  // Rz(q)·Rz(delta) (spun), chosen so that a child's placement needs no turn.
  double sinDelta, cosDelta;
  bool spun;
  double mass;
  double centreOfMass[3];
  double inertia[6];  // about the frame origin: xx, xy, xz, yy, yz, zz
  double damping;
  bool hasChildren;  // some joint has this one as its parent
  bool firstChild;   // the highest-numbered child of its parent, the first an inward pass meets
};

// The internals of a Model and a ModelWorkspace, for the library's own files.
struct ModelAccess {
  static const Model::Data& DataOf(const Model& model) { return *model.data_; }
  static ModelWorkspace::Storage& StorageOf(ModelWorkspace& workspace) {
    return *workspace.storage_;
  }
};

struct Model::Data {
  ModelDescription description;
  std::vector<int> parents;
  std::vector<JointConstants> joints;
  double gravity[3];
  const SineTable* sineTable;  // null: exact sines (exact_sines.h)
  // The rigid-body inertia of each joint's body, formed once.
  std::vector<ArticulatedInertia> rigid;
  // Each rigid inertia with its joint free, rigid - U·Uᵀ/D, and 1/D (U = rigid·S, D = Sᵀ·U): a
  // leaf's articulated inertia is its body's, the same in every state, so these are its share.
  std::vector<ArticulatedInertia> freeRigid;
  std::vector<double> inverseRigidD;
  // The planar chain this tree is, when it is one (PlanarChainOf): its forward dynamics, momenta
  // and steps run on the chain's in-plane recursion.
  std::optional<Chain> chain;
};

struct ModelWorkspace::Storage {
  int n;
  int laneWidth;  // the states StepStates carries side by side (2, 4 or 8)
  // One state's working data (tree_evaluation.h's TreeData<double>), bound to it for each call.
  AlignedBlock one;
  // A pack's working data, state and step buffers (tree_lanes.h), bound for each batch.
  AlignedBlock lanes;
  std::vector<double> rotation, origin;  // 9 and 3 per joint: the frames in base coordinates
  // The steps' buffers: 6 arrays of n (the rates of two evaluations and a stage's state).
  std::vector<double> step;
  MidpointStorage midpoint;
  AdaptiveStorage adaptive;
  JacobianStorage derivatives;  // the exact Jacobian of a Midpoint step's Newton solve
  // The chain's workspace, when the model it was made for is a planar chain.
  std::optional<ChainWorkspace> chain;
  explicit Storage(const Model::Data& data);
};

// The chain that a tree's description is, when its joints are a planar chain's links: parents
// k - 1, revolute about z, placed at (a, 0, 0) with no turn, each with mass and without damping
// (a chain's friction is not a joint's damping: its reaction stays off the parent), and
// everything in the xy plane (Chain::inPlane()); otherwise none.
std::optional<Chain> PlanarChainOf(const ModelDescription& tree);

// Values that are not finite would spread NaN through every joint of the state (torques), or
// send an iteration on until its limit (the states of Midpoint and Integrate): refused
// (std::invalid_argument), naming the joint, and the row of a batch. rows of n values; null: none.
void RequireFiniteJoints(const Model& model, const double* values, const char* name, int rows = 1,
                         bool batch = false);

// The checks of a batch step's arguments (all but the workspace's), as StepStates makes them.
void RequireStateBatch(const Model& model, const double* momenta, const double* positions,
                       int count, double h, StepMethod method, JointTorques torques,
                       const NewtonSettings& newton);
// StepStates on arguments already checked, in the storage of a workspace made for the model;
// with taken not null, also taken[i] = whether state i was stepped (1) or not (0).
BatchStepStatus StepCheckedStates(const Model& model, ModelWorkspace::Storage& storage,
                                  double* momenta, double* positions, int count, double h,
                                  StepMethod method, JointTorques torques,
                                  const NewtonSettings& newton, std::uint8_t* taken);

}  // namespace pendula
