// Chain models of any length for tests that call the dynamics core directly, reading the one
// sine table of the process, with working data of their own and the one-line evaluations they
// need.
#pragma once

#include <vector>

#include "dynamics/chain/chain_internals.h"
#include "dynamics/lanes/aligned_block.h"
#include "dynamics/lanes/lane_widths.h"
#include "pendula/program_chain.h"

namespace pendula {
namespace testing {

// The table every chain of the table's trigonometry reads.
inline const SineTable& TestSineTable() {
  return SharedSineTable();
}

// The program's link as the recursion stores it.
inline LinkParameters ProgramLinkParameters() {
  ChainDescription description;
  description.links.assign(1, ProgramLink());
  return ValidatedLinks(description)[0];
}

// A model of n links of the given constants, hanging from a base at rest in standard gravity,
// with the table's sines, as a Chain builds its own. The links and gravity are the test's to
// change; Reclassify decides the shape again afterwards.
struct TestChain {
  explicit TestChain(int n, const LinkParameters& link = ProgramLinkParameters())
      : links(static_cast<std::size_t>(n), link) {
    model.baseVelocity = SpatialVector{{0.0, 0.0, 0.0, 0.0, 0.0, 0.0}};
    model.gravity = SpatialVector{{0.0, -StandardGravity, 0.0, 0.0, 0.0, 0.0}};
    model.links = links.data();
    model.linkCount = n;
    model.sineTable = &SharedSineTable();
    model.sines = SineSource::Table;
    Reclassify();
  }
  TestChain(const TestChain&) = delete;
  TestChain& operator=(const TestChain&) = delete;

  void Reclassify() {
    model.shape = ClassifyChainModel(model);
    model.laneWidth = model.shape == ModelShape::InPlane ? WidestLaneWidth() : 1;
  }

  std::vector<LinkParameters> links;
  ChainModel model;
};

// One chain's evaluation data and step buffers in algebra A, in a block of their own.
template <typename A>
struct TestChainData {
  explicit TestChainData(int n) {
    LinkBytes bytes{n};
    ForEachLinkArray(data.evaluation, bytes);
    ForEachLinkArray(data.step, bytes);
    block = MakeAlignedBlock(bytes.used);
    LinkArena arena{block.get(), n};
    ForEachLinkArray(data.evaluation, arena);
    ForEachLinkArray(data.step, arena);
  }
  OneChainData<A> data;
  AlignedBlock block;
};

// ForwardDynamics of one chain in the algebra the model's shape calls for.
inline void EvaluateChain(const ChainModel& model, const JointTorqueSettings& settings,
                          const double* p, const double* q, double* pdot, double* qdot) {
  WithAlgebraOf(model, [&](auto algebra) {
    TestChainData<decltype(algebra)> working(model.linkCount);
    ForwardDynamics(model, working.data.evaluation, settings, p, q, pdot, qdot);
  });
}

// MomentumInitialisation of one chain in the algebra the model's shape calls for.
inline void MomentaOfChain(const ChainModel& model, double* p, const double* q,
                           const double* rates) {
  WithAlgebraOf(model, [&](auto algebra) {
    TestChainData<decltype(algebra)> working(model.linkCount);
    MomentumInitialisation(model, working.data.evaluation, p, q, rates);
  });
}

}  // namespace testing
}  // namespace pendula
