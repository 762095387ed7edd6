// Counts the floating-point operations of one evaluation of the program's chain, in the in-plane
// and in the 6-D algebra: ForwardDynamics and MomentumInitialisation of dynamics/chain/evaluation.h
// run on a number type that counts every addition, subtraction, multiplication, division and
// negation done on it, for 10, 20 and 40 links, and the counts' linear fits in n. Operations on
// link constants alone (m·rc, formed in double) and the table lookups of step 1 (done in double,
// not in the counted type) are not counted; the lookups are listed separately from their rule.
//
// Built with the project as build/scripts/count_operations; the test operation_counts checks
// that docs/algorithm.md quotes the fits it prints.
#include <cstdio>
#include <random>
#include <vector>

#include "dynamics/chain/chain_internals.h"
#include "dynamics/lanes/aligned_block.h"
#include "pendula/program_chain.h"

namespace {

struct Counts {
  long add = 0, sub = 0, mul = 0, div = 0, neg = 0;
};
Counts counts;

// A double that counts the arithmetic done on it (a double operand converts to it).
struct Counted {
  double v = 0.0;
  Counted() = default;
  Counted(double x) : v(x) {}  // NOLINT: implicit, as a double operand needs
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

// Step 1 for counted angles: s_k and c_k by the table's own rule for one angle, in double. The
// library's lookups of a pack need two lanes or more, and their arithmetic is not that of the
// chain's values; they are counted by their rule in main. Found by argument-dependent lookup
// from the evaluation, and chosen over its SinesAndCosines as the more specialised.
template <typename A>
void SinesAndCosines(const pendula::ChainModel& model, pendula::ChainData<A, Counted>& d,
                     const Counted* q) {
  for (int link = 0; link < model.linkCount; ++link) {
    d.sine[link] = pendula::SineFromTable(*model.sineTable, q[link].v);
    d.cosine[link] = pendula::CosineFromTable(*model.sineTable, q[link].v);
  }
}

void Print(const char* what, const Counts& c) {
  std::printf("  %-38s %5ld add %5ld sub %5ld mul %3ld div %3ld neg  | add+sub %5ld  mul %5ld\n",
              what, c.add, c.sub, c.mul, c.div, c.neg, c.add + c.sub, c.mul);
}

// The counts of ForwardDynamics and of MomentumInitialisation, printed; ForwardDynamics's
// returned.
template <typename Algebra>
Counts CountEvaluations(const pendula::ChainModel& model) {
  using namespace pendula;
  const int n = model.linkCount;
  std::mt19937_64 generator(1);
  std::uniform_real_distribution<double> uniform(-3.0, 3.0);
  std::vector<Counted> p(n), q(n), r(n), pdot(n), qdot(n);
  for (int k = 0; k < n; ++k) {
    p[k] = uniform(generator);
    q[k] = uniform(generator);
    r[k] = uniform(generator);
  }
  ChainData<Algebra, Counted> data;
  LinkBytes bytes{n};
  ForEachLinkArray(data, bytes);
  const AlignedBlock block = MakeAlignedBlock(bytes.used);
  LinkArena arena{block.get(), n};
  ForEachLinkArray(data, arena);
  const JointTorqueSettings settings{5.0, 100.0};

  counts = Counts{};
  ForwardDynamics(model, data, settings, p.data(), q.data(), pdot.data(), qdot.data());
  const Counts forward = counts;
  Print("ForwardDynamics, steps 2 to 7", forward);
  counts = Counts{};
  MomentumInitialisation(model, data, p.data(), q.data(), r.data());
  Print("MomentumInitialisation, after step 1", counts);
  return forward;
}

// ForwardDynamics's counts for the three chains of N links: the program's links in the in-plane
// and in the 6-D algebra, and links shifted and twisted, so that no transform stage is the
// identity and the 6-D kernels do all their terms.
constexpr int Chains = 3;
const char* const ChainNames[Chains] = {"the program's links, in-plane algebra",
                                        "the program's links, 6-D algebra",
                                        "shifted and twisted links, 6-D algebra"};

// The model of n links like `link`, as a Chain of the table's trigonometry has it.
pendula::ChainModel ModelOf(const std::vector<pendula::LinkParameters>& links) {
  using namespace pendula;
  ChainModel model{};
  model.gravity = SpatialVector{{0.0, -StandardGravity, 0.0, 0.0, 0.0, 0.0}};
  model.links = links.data();
  model.linkCount = static_cast<int>(links.size());
  model.sineTable = &SharedSineTable();
  model.sines = SineSource::Table;
  return model;
}

void CountChain(int n, Counts (&out)[Chains]) {
  using namespace pendula;
  ChainDescription description;
  description.links.assign(static_cast<std::size_t>(n), ProgramLink());
  std::vector<LinkParameters> links = ValidatedLinks(description);
  const ChainModel program = ModelOf(links);
  std::printf("%d links, %s:\n", n, ChainNames[0]);
  out[0] = CountEvaluations<PlaneAlgebra>(program);
  std::printf("%d links, %s:\n", n, ChainNames[1]);
  out[1] = CountEvaluations<SpatialAlgebra>(program);
  for (LinkParameters& general : links) {
    general.d = 0.1;
    general.sinAlpha = 0.29552020666133955;  // sin 0.3
    general.cosAlpha = 0.955336489125606;    // cos 0.3
  }
  std::printf("%d links, %s (d = 0.1, alpha = 0.3):\n", n, ChainNames[2]);
  out[2] = CountEvaluations<SpatialAlgebra>(ModelOf(links));
}

// "a·n + b" through the counts at 10 and 40 links, written as "57n - 31"; false when the count
// at 20 links is off that line.
bool Fit(long at10, long at20, long at40, char (&text)[64]) {
  const long slope = (at40 - at10) / 30;
  const long intercept = at10 - 10 * slope;
  const bool linear = at40 - at10 == 30 * slope && at20 == 20 * slope + intercept;
  const char* sign = intercept < 0 ? "-" : "+";
  const long magnitude = intercept < 0 ? -intercept : intercept;
  if (slope == 1 && intercept == 0) {
    std::snprintf(text, sizeof text, "n");
  } else if (intercept == 0) {
    std::snprintf(text, sizeof text, "%ldn", slope);
  } else {
    std::snprintf(text, sizeof text, "%ldn %s %ld", slope, sign, magnitude);
  }
  return linear;
}

}  // namespace

int main() {
  using namespace pendula;
  std::printf("Operations on chain-state values per evaluation of one chain.\n");
  Counts at10[Chains], at20[Chains], at40[Chains];
  CountChain(10, at10);
  CountChain(20, at20);
  CountChain(40, at40);
  // The lookup rule, per angle: turns = x·(1/2π), r = x - (2j)·π, i = |r| / SineStep; and the
  // cosine's angle π/2 - x.
  std::printf(
      "Table lookups of 20 links, by their rule: 40 lookups x (2 mul, 1 sub, 1 div) and 20 sub "
      "for the cosines' angles = 80 mul, 60 sub, 40 div, 40 table reads\n");
  std::printf("ForwardDynamics, steps 2 to 7, on n links (the fits through 10 and 40 links):\n");
  bool linear = true;
  for (int chain = 0; chain < Chains; ++chain) {
    char mul[64], addSub[64], div[64];
    linear &= Fit(at10[chain].mul, at20[chain].mul, at40[chain].mul, mul);
    linear &= Fit(at10[chain].add + at10[chain].sub, at20[chain].add + at20[chain].sub,
                  at40[chain].add + at40[chain].sub, addSub);
    linear &= Fit(at10[chain].div, at20[chain].div, at40[chain].div, div);
    std::printf("  %-40s mul %s, add+sub %s, div %s\n", ChainNames[chain], mul, addSub, div);
  }
  if (!linear) {
    std::printf("a count is not linear in n: the fits above miss the count at 20 links\n");
    return 1;
  }
  return 0;
}
