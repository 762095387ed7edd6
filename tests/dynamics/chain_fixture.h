// Chain models of any length for tests that call the dynamics core directly, sharing one sine
// table, and the one-line evaluations they need.
#pragma once

#include "dynamics/chain_model.h"
#include "dynamics/heun_step.h"

namespace pendula {
namespace testing {

// The table every test model reads, built once.
inline const SineTable& TestSineTable() {
  static const SineTable table = [] {
    SineTable built{nullptr, 0.0, 0};
    BuildSineTable(built, SineTableSize);
    return built;
  }();
  return table;
}

// N links of the given constants, set up as the program sets up its own chain.
template <int N>
ChainModel<N> TestChainModel(const LinkParameters& link = UniformLink) {
  ChainModel<N> model;
  SetUpChainModel(model, 0.012, TestSineTable(), link);
  return model;
}

// ForwardDynamics of one chain in the algebra the model's shape calls for.
template <int N>
void EvaluateChain(const ChainModel<N>& model, const JointTorqueSettings& settings,
                   const double (&p)[N], const double (&q)[N], double (&pdot)[N],
                   double (&qdot)[N]) {
  WithAlgebraOf(model, [&](auto algebra) {
    ChainData<decltype(algebra), double, N> data;
    ForwardDynamics(model, data, settings, p, q, pdot, qdot);
  });
}

// MomentumInitialisation of one chain in the algebra the model's shape calls for.
template <int N>
void MomentaOfChain(const ChainModel<N>& model, double (&p)[N], const double (&q)[N],
                    const double (&rates)[N]) {
  WithAlgebraOf(model, [&](auto algebra) {
    ChainData<decltype(algebra), double, N> data;
    MomentumInitialisation(model, data, p, q, rates);
  });
}

}  // namespace testing
}  // namespace pendula
