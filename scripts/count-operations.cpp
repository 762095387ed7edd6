// Counts the floating-point operations of one evaluation of the program's 20-link chain, in the
// in-plane and in the 6-D algebra: ForwardDynamics and MomentumInitialisation of
// dynamics/evaluation.h run on a number type that counts every addition, subtraction,
// multiplication, division and negation done on it. Operations on link constants alone (m·rc,
// formed in double) and the index arithmetic of the table lookups (done in lane packs, not in the
// counted type) are not counted; the lookups are listed separately from their rule.
//
// Not part of the build; from the repository root, after building the dynamics library:
//   g++ -std=c++17 -O1 -ffp-contract=off -I. scripts/count-operations.cpp
//       build/dynamics/libpendula_dynamics.a -o /tmp/count-operations && /tmp/count-operations
// (one command line).
#include <cstdio>
#include <random>

#include "dynamics/evaluation.h"

namespace {

struct Counts {
  long add = 0, sub = 0, mul = 0, div = 0, neg = 0;
};
Counts counts;

// A double that counts the arithmetic done on it (a double operand converts to it). It converts to
// and from a one-lane pack, so that step 1 takes it through the lanes' table lookup like any pack.
struct Counted {
  double v = 0.0;
  Counted() = default;
  Counted(double x) : v(x) {}                                                // NOLINT: implicit
  Counted(pendula::LanePack<1> x) : v(x[0]) {}                               // NOLINT
  operator pendula::LanePack<1>() const { return pendula::LanePack<1>{v}; }  // NOLINT
  // Its one lane, as the library's sines of a pack read and write them.
  double& operator[](int) { return v; }
  double operator[](int) const { return v; }
};

Counted operator+(Counted a, Counted b) {
  return ++counts.add, Counted(a.v + b.v);
}
Counted operator-(Counted a, Counted b) {
  return ++counts.sub, Counted(a.v - b.v);
}
Counted operator*(Counted a, Counted b) {
  return ++counts.mul, Counted(a.v * b.v);
}
Counted operator/(Counted a, Counted b) {
  return ++counts.div, Counted(a.v / b.v);
}
Counted operator-(Counted a) {
  return ++counts.neg, Counted(-a.v);
}
Counted& operator+=(Counted& a, Counted b) {
  return a = a + b;
}

Counts operator-(const Counts& a, const Counts& b) {
  return Counts{a.add - b.add, a.sub - b.sub, a.mul - b.mul, a.div - b.div, a.neg - b.neg};
}

void Print(const char* what, const Counts& c) {
  std::printf("  %-38s %5ld add %5ld sub %5ld mul %3ld div %3ld neg  | add+sub %5ld  mul %5ld\n",
              what, c.add, c.sub, c.mul, c.div, c.neg, c.add + c.sub, c.mul);
}

// The counts of ForwardDynamics without step 1, of step 1 alone (the subtractions π/2 - q_k
// that place the cosines; the rest of the lookup rule runs in lane packs and is not counted) and
// of MomentumInitialisation without its step 1.
template <typename Algebra, int N>
void CountEvaluations(const pendula::ChainModel<N>& model) {
  using namespace pendula;
  std::mt19937_64 generator(1);
  std::uniform_real_distribution<double> uniform(-3.0, 3.0);
  Counted p[N], q[N], r[N], pdot[N], qdot[N];
  for (int k = 0; k < N; ++k) {
    p[k] = uniform(generator);
    q[k] = uniform(generator);
    r[k] = uniform(generator);
  }
  ChainData<Algebra, Counted, N> data;
  const JointTorqueSettings settings{5.0, 100.0};

  counts = Counts{};
  SinesAndCosines<Algebra, Counted, N>(model, data, q, nullptr);
  const Counts lookups = counts;
  counts = Counts{};
  ForwardDynamics(model, data, settings, p, q, pdot, qdot);
  Print("ForwardDynamics, steps 2 to 7", counts - lookups);
  counts = Counts{};
  MomentumInitialisation(model, data, p, q, r);
  Print("MomentumInitialisation, after step 1", counts - lookups);
  Print("step 1 (counted part)", lookups);
}

template <int N>
void CountChain(const pendula::SineTable& table) {
  using namespace pendula;
  static ChainModel<N> model;
  SetUpChainModel(model, 0.012, table);
  std::printf("%d links, the program's links, in-plane algebra:\n", N);
  CountEvaluations<PlaneAlgebra>(model);
  std::printf("%d links, the program's links, 6-D algebra:\n", N);
  CountEvaluations<SpatialAlgebra>(model);
  // A general chain: every link shifted along z and twisted, so that no transform stage is the
  // identity and the 6-D kernels do all their terms.
  LinkParameters general = UniformLink;
  general.d = 0.1;
  general.sinAlpha = 0.29552020666133955;  // sin 0.3
  general.cosAlpha = 0.955336489125606;    // cos 0.3
  SetUpChainModel(model, 0.012, table, general);
  std::printf("%d links, shifted (d = 0.1) and twisted (alpha = 0.3), 6-D algebra:\n", N);
  CountEvaluations<SpatialAlgebra>(model);
}

}  // namespace

int main() {
  using namespace pendula;
  static SineTable table = {nullptr, 0.0, 0};
  BuildSineTable(table, SineTableSize);
  std::printf("Operations on chain-state values per evaluation of one chain.\n");
  CountChain<10>(table);
  CountChain<20>(table);
  CountChain<40>(table);
  // The lookup rule, per angle: turns = x·(1/2π), r = x - (2j)·π, i = |r| / SineStep.
  std::printf(
      "Table lookups of 20 links, by their rule: 40 lookups x (2 mul, 1 sub, 1 div) = "
      "80 mul, 40 sub, 40 div, 40 table reads\n");
  return 0;
}
