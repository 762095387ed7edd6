// The robot of a URDF file compiled by MuJoCo, as the agreement tests and the benchmarks take it.
#pragma once

#include <mujoco/mujoco.h>

#include <string>

namespace pendula {
namespace peers {

// MuJoCo's model of the robot in the URDF file (its text prepared by UrdfForMuJoCo), gravity
// (0, 0, -StandardGravity), contacts and every constraint switched off, so that mj_forward's qacc
// is M(q)^-1 (-c(q, q̇) - d·q̇) alone. The caller frees it with mj_deleteModel.
// std::runtime_error, saying why, when MuJoCo cannot load it.
mjModel* LoadMuJoCoModel(const std::string& urdfPath);

}  // namespace peers
}  // namespace pendula
