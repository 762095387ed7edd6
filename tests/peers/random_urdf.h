// Random trees of joints written as URDF files, for the agreement tests.
#pragma once

#include <cstdint>
#include <string>

namespace pendula {
namespace peers {

// Writes to `path` a random robot (std::runtime_error if it cannot): a massive root link, 10 to
// 30 moving joints and up to 6 fixed ones, each on a random earlier link; revolute, continuous
// and prismatic joints, each placed and turned at random about a tilted axis, or placed as robots
// are drawn (quarter turns, coordinate axes), or about an axis parallel to its parent's with a
// shift along it; every <inertial> off the link's origin and turned, with a full inertia tensor;
// some joints damped; some links without <inertial> (massless; never a leaf, so that every joint
// has inertia to move); limits that the random states lie far outside of. The elements are
// listed in random order, so that nothing may take the file's order for the tree's. The same
// seed writes the same file.
void WriteRandomTreeUrdf(const std::string& path, std::uint64_t seed);

}  // namespace peers
}  // namespace pendula
