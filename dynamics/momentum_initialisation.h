// Momentum initialisation: p = A(q)·qdot for one chain by an O(n) recursion that never
// forms A(q). p_k is component 5 of H_k, the spatial momentum of links k..20 about link k's
// origin in link k coordinates:  H_k = h_k + Xf_{k+1}·H_{k+1},  h_k = I_k·v_k.
//
// MomentumInitialisation(momenta, angles, jointRates) is declared in dynamics/dynamics.h. It
// shares the sine, cosine and velocity slots of chainWorkspace with ForwardDynamics.
#pragma once

#include "dynamics/dynamics.h"
