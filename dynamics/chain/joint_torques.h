// The two sources of joint torque that every evaluation consults: the applied torque that drives
// joint 1 and viscous friction on every joint, both from the settings in force.
#pragma once

#include "dynamics/chain/chain_model.h"
#include "dynamics/lanes/code_target.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// out[0] = τ; nothing else is written, so the other joints carry whatever the caller's vector
// holds (zeros for the program's chains). The drive depends on the settings alone, so the
// evaluation sets it before it knows the joint rates.
template <typename T>
inline void AppliedTorque(T* out, const JointTorqueSettings& settings) {
  out[0] = LaneSplat<T>(settings.appliedTorque);
}

// Viscous friction on a joint turning at `rate`: -(b·rate), the product, negated.
template <typename T>
inline T FrictionTorque(const T& rate, const JointTorqueSettings& settings) {
  return -(settings.frictionCoefficient * rate);
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
