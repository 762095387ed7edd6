// A tree of joints written as a URDF file, for the peers to load the very tree pendula runs.
#pragma once

#include <string>

#include "pendula/model.h"

namespace pendula {
namespace bench {

// The URDF text of the tree: a massless root link "base" (the fixed base), and joint i as a
// continuous or prismatic joint of its own name moving link "body<i+1>", placed by the joint's
// xyz and rpy, about its axis made a unit vector, with its damping; each body's <inertial> at its
// centre of mass in the body's axes. Prismatic joints get limits of ±1 km, which URDF requires
// and no state reaches. The tree's gravity is not written (URDF has no place for it).
std::string UrdfOfTree(const ModelDescription& tree);

}  // namespace bench
}  // namespace pendula
