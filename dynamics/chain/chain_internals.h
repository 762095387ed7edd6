// What a Chain and a ChainWorkspace hold, for the files that implement them.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dynamics/chain/chain_model.h"
#include "dynamics/derivatives/jacobian_storage.h"
#include "dynamics/integrators/dormand_prince.h"
#include "dynamics/integrators/heun_step.h"
#include "dynamics/integrators/implicit_midpoint.h"
#include "dynamics/lanes/aligned_block.h"
#include "pendula/chain.h"

namespace pendula {

// The internals of a Chain and a ChainWorkspace, for the library's own files.
struct ChainAccess {
  static const Chain::Model& ModelOf(const Chain& chain) { return *chain.model_; }
  static ChainWorkspace::Storage& StorageOf(ChainWorkspace& workspace) {
    return *workspace.storage_;
  }
};

struct Chain::Model {
  ChainDescription description;
  // The chain as a tree (TreeOfChain), built by the first Chain::tree(): a chain's own calls never
  // need it, and the program's set-up takes no sines for it.
  mutable std::once_flag treeBuilt;
  mutable std::shared_ptr<const pendula::Model> tree;
  std::vector<LinkParameters> links;  // what the recursion reads, built from the description
  ChainModel chain;                   // links point into the vector above
};

// The working data of one chain in one algebra: the evaluation's and the step's.
template <typename A>
struct OneChainData {
  ChainData<A, double> evaluation;
  StepBuffers<double> step;
};

struct ChainWorkspace::Storage {
  // The chains it was made for.
  int linkCount = 0;
  ModelShape shape = ModelShape::General;
  int laneWidth = 0;
  AlignedBlock oneChain;  // the evaluation's working data and the step's buffers of one chain
  AlignedBlock lanes;     // the batch's data, W chains at a time (in-plane chains)
  // One chain's data in the model's algebra, its arrays in oneChain, bound once (the other
  // algebra's are left null).
  OneChainData<PlaneAlgebra> plane;
  OneChainData<SpatialAlgebra> spatial;
  MidpointStorage midpoint;  // the Newton solve of a Midpoint step (its Jacobian is 4N^2 doubles)
  AdaptiveStorage adaptive;  // the stages of an adaptive integration
  JacobianStorage derivatives;  // the exact Jacobian of a Midpoint step's Newton solve
  explicit Storage(int links) : midpoint(links), adaptive(links), derivatives(links) {}
};

// The link parameters of a description, or std::invalid_argument naming the link and the field.
std::vector<LinkParameters> ValidatedLinks(const ChainDescription& description);

// The sine table every Chain of the table's trigonometry reads: built on first use, never
// changed or freed.
const SineTable& SharedSineTable();

}  // namespace pendula
