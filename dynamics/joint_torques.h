// The two sources of joint torque that every evaluation consults: the applied torque that drives
// joint 1 and viscous friction on every joint, both from the settings in force.
#pragma once

#include "dynamics/chain_model.h"
#include "dynamics/code_target.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// out[0] = τ; nothing else is written (angles and rates are not used), so the other joints carry
// whatever zeros the caller's vector holds.
template <typename T, int N>
inline void AppliedTorque(T (&out)[N], const T (&angles)[N], const T (&rates)[N],
                          const JointTorqueSettings& settings) {
  static_cast<void>(angles);
  static_cast<void>(rates);
  out[0] = LaneSplat<T>(settings.appliedTorque);
}

// out[k-1] = -(b·rates[k-1]) for every joint: the product, negated.
template <typename T, int N>
inline void JointFriction(T (&out)[N], const T (&rates)[N], const JointTorqueSettings& settings) {
  const double b = settings.frictionCoefficient;
  for (int joint = 0; joint < N; ++joint) out[joint] = -(b * rates[joint]);
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
