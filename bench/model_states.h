// The random states that the benchmarks of trees visit in turn, pendula's and its peers' alike.
#pragma once

#include <cstdint>
#include <vector>

namespace pendula {
namespace bench {

constexpr int ModelStateCount = 64;  // distinct states, visited in turn

// ModelStateCount states of `joints` joints, row by row (state k's at k·joints): momenta p, and
// positions q, each uniform in [-1, 1]; a peer that takes joint rates takes p's values as rates.
// The same seed gives the same states.
struct StateSet {
  std::vector<double> p, q;
};
StateSet ModelStates(int joints, std::uint64_t seed);

}  // namespace bench
}  // namespace pendula
