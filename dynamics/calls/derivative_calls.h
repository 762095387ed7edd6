// What the calls of derivatives.h share, for the files that implement them: the joint constants
// of a chain and of a tree in the form the Jacobian's recursions read, the workspace's storage,
// the checks of the outputs and the blocks of one state of a batch.
#pragma once

#include "dynamics/chain/chain_model.h"
#include "dynamics/derivatives/jacobian_storage.h"
#include "dynamics/lanes/aligned_block.h"
#include "pendula/derivatives.h"
#include "pendula/model.h"

namespace pendula {

// The joint constants of a chain (no damping: its friction comes with each call as couples on
// the links) and of a tree, into storage made for their joint count.
void BindJoints(const ChainModel& chain, JacobianStorage& storage);
void BindJoints(const Model::Data& tree, JacobianStorage& storage);

// What a DerivativesWorkspace holds: one state's storage, and the lanes of the widest width this
// CPU has for a batch (none beyond MostJacobianLaneJoints); the workspace's storage for models
// of `joints` joints (std::invalid_argument otherwise), the checks of the outputs, state i's
// blocks of a batch and a call's blocks in the form JacobianOfDynamics writes.
struct DerivativesWorkspace::Storage {
  explicit Storage(int joints);
  JacobianStorage jacobian;
  int laneWidth;
  AlignedBlock lanes;
};
struct DerivativesAccess {
  static DerivativesWorkspace::Storage& StorageOf(DerivativesWorkspace& workspace) {
    return *workspace.storage_;
  }
};
JacobianStorage& JacobianStorageFor(int joints, DerivativesWorkspace& workspace);
void RequireJacobianOutput(const DynamicsJacobian& out);
DynamicsJacobian JacobianBlocksOf(const DynamicsJacobian& out, int n, int i);
JacobianBlocks BlocksWithStride(const DynamicsJacobian& out, int n);

// The blocks at states 0 .. count - 1 of the joints bound in the workspace's storage: in lanes
// where the workspace has them and the batch has more than one state, else state by state.
void JacobianOfStates(DerivativesWorkspace::Storage& storage, const double (&gravity)[3],
                      const SineTable* table, double friction, const double* p, const double* q,
                      int count, const DynamicsJacobian& out);

}  // namespace pendula
