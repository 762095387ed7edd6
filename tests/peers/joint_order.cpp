#include "tests/peers/joint_order.h"

#include <algorithm>
#include <stdexcept>

namespace pendula {
namespace peers {

std::vector<int> JointOrder(const std::vector<std::string>& own,
                            const std::vector<std::string>& wanted, const char* peer) {
  const int n = static_cast<int>(own.size());
  std::vector<int> order(n);
  if (wanted.empty()) {
    for (int i = 0; i < n; ++i) order[i] = i;
    return order;
  }
  if (wanted.size() != own.size()) {
    throw std::runtime_error(std::string(peer) + " has " + std::to_string(own.size()) +
                             " moving joints, not " + std::to_string(wanted.size()));
  }
  std::vector<bool> taken(n, false);
  for (int i = 0; i < n; ++i) {
    const auto at = std::find(own.begin(), own.end(), wanted[i]);
    if (at == own.end()) throw std::runtime_error(std::string(peer) + " lacks joint " + wanted[i]);
    order[i] = static_cast<int>(at - own.begin());
    if (taken[order[i]]) throw std::runtime_error("joint " + wanted[i] + " named twice");
    taken[order[i]] = true;
  }
  return order;
}

}  // namespace peers
}  // namespace pendula
