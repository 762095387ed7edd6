// Forward dynamics in Hamiltonian form: (p, q) -> (pdot, qdot) by an O(n) recursion
// of the articulated-body kind that never forms the joint-space mass matrix A(q).
//
//   qdot = A(q)^-1 p,   pdot = -dH/dq + joint torques,   H = 1/2 p^T A(q)^-1 p + V(q).
//
// Legend (link k, in link k coordinates about link k's origin; S = e5, the joint axis):
//   s_k, c_k  table sine and cosine of q_k          g_k   gravity
//   M_k       articulated inertia of links k..20    beta_k articulated bias, H_k = M_k v_k + beta_k
//   U, D      column 5 and entry (5,5) of M_k       v_k   velocity, v'_k that of body k-1
//   F_k       subtree force (weights and torques of links k..20)
//
// ForwardDynamics(momenta, angles, momentumRates, jointRates) is declared in dynamics/dynamics.h.
// It works in the process-wide chainWorkspace and reads chainModel and activeJointTorques; it is
// not re-entrant.
#pragma once

#include "dynamics/dynamics.h"
