// The Heun integrator: one explicit second-order step of one chain in (p, q),
//   predictor   p~ = p + h·pdot(p, q),            q~ = q + h·qdot(p, q)
//   corrector   p  = p + ((pdot(p~, q~) + pdot(p, q))·h)·0.5, and likewise q,
// with the friction coefficient and applied torque of the call in force for both evaluations.
//
// HeunStep(momenta, angles, frictionCoefficient, appliedTorque) is declared in
// dynamics/dynamics.h. It reads the step size h from chainModel. Angles are never wrapped.
#pragma once

#include "dynamics/dynamics.h"
