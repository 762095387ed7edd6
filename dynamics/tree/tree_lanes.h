// The batch step of a tree in lanes: W states side by side in the lanes of a pack through one
// evaluation, compiled once per lane width (tree_in_lanes.cpp, with that width's target flags).
// Each state ends bit for bit where the same step takes it alone: the packed arithmetic rounds
// each lane as the scalar one does, and the sines are taken lane by lane.
#pragma once

#include <cstddef>

#include "dynamics/tree/tree_model.h"
#include "pendula/chain.h"

namespace pendula {

// Bytes of zeroed storage, aligned to LinkArena::Alignment, that the batch step of packs of
// `width` states (2, 4 or 8) needs for a tree of n joints.
std::size_t TreeLaneBytes(int width, int n);
template <int W>
std::size_t TreeLaneBytesAt(int n);

// One step of size h by Heun or Rk4 of each of states 0 .. count - 1 (rows of n values), W at a
// time, in the storage given; torques: `shared` (n values for every state), `rows` (a row per
// state) or neither. The width must be one this build and this CPU have.
void StepTreeStatesInLanes(int width, const Model::Data& model, unsigned char* storage,
                           StepMethod method, double h, const double* shared, const double* rows,
                           double* momenta, double* positions, int count);
template <int W>
void StepTreeStatesInLanesAt(const Model::Data& model, unsigned char* storage, StepMethod method,
                             double h, const double* shared, const double* rows, double* momenta,
                             double* positions, int count);

// The forward dynamics of one state (tree_evaluation.h on doubles), compiled in the unit of the
// given width, whose target has three-operand instructions and more registers than the
// baseline's: the same operations and bits. `block` holds the one-state working data
// (OneTreeStateBytes).
void TreeStateForwardDynamics(int width, const Model::Data& model, unsigned char* block,
                              const double* p, const double* q, const double* torques, double* pdot,
                              double* qdot);
template <int W>
void TreeStateForwardDynamicsAt(const Model::Data& model, unsigned char* block, const double* p,
                                const double* q, const double* torques, double* pdot, double* qdot);

}  // namespace pendula
