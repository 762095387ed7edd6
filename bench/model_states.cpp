#include "bench/model_states.h"

#include <random>

namespace pendula {
namespace bench {

StateSet ModelStates(int joints, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::uniform_real_distribution<double> u(-1.0, 1.0);
  const std::size_t size = static_cast<std::size_t>(ModelStateCount) * joints;
  StateSet s{std::vector<double>(size), std::vector<double>(size)};
  for (double& x : s.p) x = u(random);
  for (double& x : s.q) x = u(random);
  return s;
}

}  // namespace bench
}  // namespace pendula
