// The correspondence between a peer's joints and the caller's, made by the joints' names.
#pragma once

#include <string>
#include <vector>

namespace pendula {
namespace peers {

// For each of the `wanted` names, where the same name sits in `own`: `own` itself when `wanted`
// is empty. std::runtime_error naming the joint for a wanted name that `own` lacks, a repeated
// one, or an own joint that no wanted name covers.
std::vector<int> JointOrder(const std::vector<std::string>& own,
                            const std::vector<std::string>& wanted, const char* peer);

}  // namespace peers
}  // namespace pendula
