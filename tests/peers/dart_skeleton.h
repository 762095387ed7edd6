// The robot of a URDF file as DART's skeleton, as the agreement tests and the benchmarks take it.
#pragma once

#include <dart/dynamics/SmartPointer.hpp>
#include <string>

namespace pendula {
namespace peers {

// DART's skeleton of the robot in the URDF file (its text without visuals, collisions and
// comments), the root link welded to the world, gravity (0, 0, -StandardGravity). A link without
// <inertial> is massless, as URDF has it: DART's loader would give it mass 1 and unit moments,
// so it is given a zero default inertia instead (and warns on standard error of each body of
// zero mass). The joints keep the file's damping, which DART takes implicitly, for a step of the
// skeleton's time step. std::runtime_error when DART cannot load the file.
dart::dynamics::SkeletonPtr LoadDartSkeleton(const std::string& urdfPath);

}  // namespace peers
}  // namespace pendula
