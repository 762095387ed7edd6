// The building blocks of one evaluation: the table lookup and the two heaviest kernels, each
// timed on inputs taken from real evaluations of the benchmark states.
#include <benchmark/benchmark.h>

#include "bench/chain_states.h"
#include "dynamics/chain/chain_internals.h"
#include "dynamics/lanes/aligned_block.h"
#include "pendula/dynamics.h"

namespace pendula {
namespace bench {
namespace {

struct KernelInputs {
  double angles[StateCount];
  ArticulatedInertia inertia[StateCount];
  double inverseD[StateCount];
  SpatialVector force[StateCount];
  LinkTransform transform[StateCount];
};

// One link per state (links 2 to 20 in turn, the ones that transfer to a parent), with the
// articulated inertia, load and transform that the 6-D evaluation formed for it.
KernelInputs MakeKernelInputs() {
  const ChainStateSet& states = BenchmarkStates();
  static const Chain program = Chain::Program();
  const ChainModel& model = ChainAccess::ModelOf(program).chain;
  static ChainData<SpatialAlgebra, double> data;
  static const AlignedBlock block = [] {
    LinkBytes bytes{20};
    ForEachLinkArray(data, bytes);
    AlignedBlock made = MakeAlignedBlock(bytes.used);
    LinkArena arena{made.get(), 20};
    ForEachLinkArray(data, arena);
    return made;
  }();
  KernelInputs in;
  double pdot[20], qdot[20];
  for (int s = 0; s < StateCount; ++s) {
    ForwardDynamics(model, data, JointTorqueSettings{5.0, 0.0}, states.momenta[s], states.angles[s],
                    pdot, qdot);
    const int link = 1 + s % 19;
    in.angles[s] = states.angles[s][link];
    in.inertia[s] = data.inertia[link];
    in.inverseD[s] = data.inverseD[link];
    in.force[s] = data.load[link];
    in.transform[s] = TransformOfLink(model, data, link);
  }
  return in;
}

const KernelInputs& Inputs() {
  static const KernelInputs inputs = MakeKernelInputs();
  return inputs;
}

constexpr int NextState(int s) {
  return (s + 1) % StateCount;
}

void SineAndCosineLookup(benchmark::State& state) {
  const KernelInputs& in = Inputs();
  int s = 0;
  for (auto _ : state) {
    double sine = SineLookup(in.angles[s]);
    double cosine = CosineLookup(in.angles[s]);
    benchmark::DoNotOptimize(sine);
    benchmark::DoNotOptimize(cosine);
    s = NextState(s);
  }
}

void TransferArticulatedInertiaKernel(benchmark::State& state) {
  const KernelInputs& in = Inputs();
  ArticulatedInertia out;
  int s = 0;
  for (auto _ : state) {
    TransferArticulatedInertia(out, in.inertia[s], in.transform[s], in.inverseD[s]);
    benchmark::DoNotOptimize(out);
    s = NextState(s);
  }
}

void TransformForceToParentKernel(benchmark::State& state) {
  const KernelInputs& in = Inputs();
  SpatialVector out;
  int s = 0;
  for (auto _ : state) {
    TransformForceToParent(out, in.force[s], in.transform[s]);
    benchmark::DoNotOptimize(out);
    s = NextState(s);
  }
}

BENCHMARK(SineAndCosineLookup)->Unit(benchmark::kNanosecond);
BENCHMARK(TransferArticulatedInertiaKernel)
    ->Name("TransferArticulatedInertia")
    ->Unit(benchmark::kNanosecond);
BENCHMARK(TransformForceToParentKernel)
    ->Name("TransformForceToParent")
    ->Unit(benchmark::kNanosecond);

}  // namespace
}  // namespace bench
}  // namespace pendula
