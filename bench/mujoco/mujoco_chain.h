// pendula's chain rebuilt in MuJoCo, the general-purpose engine it is compared with, for any
// number of links.
//
// The MuJoCo model is the same mechanism, body for body: n bodies in series, each turning about
// its own z axis at its origin, mass 1, centre of mass (0.5, 0, 0), rotational inertia about the
// centre of mass diag(0.01, 0.08, 0.08) (so 0.33 about the joint, as in pendula), the next body
// at (1, 0, 0), gravity (0, -9.80665, 0). No damping, armature, limits, springs, geoms or
// contacts, and the constraint solver is switched off: with the same joint angles and rates both
// engines describe the same Lagrangian system, and MuJoCo's joint coordinates are pendula's
// relative joint angles. Joint k is element k - 1 of every array below.
#pragma once

#include <mujoco/mujoco.h>

#include "pendula/chain.h"

namespace pendula {
namespace comparison {

struct MuJoCoChain {
  mjModel* model;  // null when the model failed to compile; `error` then says why
  mjData* data;
  char error[1000];
};

// Compiles a chain of `links` links (at least 1) from an MJCF description held in memory. Free
// with FreeMuJoCoChain.
MuJoCoChain MakeMuJoCoChain(int links);
// The chain of a description, link for link: each body placed and turned as the link's frame
// lies in its parent's, a hinge about its z axis at its origin, its mass and inertia (moved to
// the centre of mass), the description's gravity.
MuJoCoChain MakeMuJoCoChain(const ChainDescription& description);
void FreeMuJoCoChain(MuJoCoChain& chain);

// The number of links (and joints) of the chain.
int MuJoCoLinkCount(const MuJoCoChain& chain);

// Joint angles q (radians) and joint rates q̇ into MuJoCo's state; applied forces are cleared.
void SetMuJoCoState(MuJoCoChain& chain, const double* angles, const double* jointRates);

// The joint-space mass matrix M(q) of the last mj_forward (or mj_fwdPosition), dense and row by
// row: massMatrix[n * i + j] is M_ij.
void MuJoCoMassMatrix(const MuJoCoChain& chain, double* massMatrix);

}  // namespace comparison
}  // namespace pendula
