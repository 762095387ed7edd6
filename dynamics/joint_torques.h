// The two sources of joint torque that every evaluation consults: the applied torque that drives
// joint 1 and viscous friction on every joint, both from the settings in force.
#pragma once

#include "dynamics/chain_model.h"
#include "dynamics/code_target.h"

namespace pendula {
inline namespace PENDULA_CODE_TARGET {

// out[0] = τ; nothing else is written (angles and rates are not used), so the other joints carry
// whatever the caller's vector holds (zeros for the program's chains).
template <typename T>
inline void AppliedTorque(T* out, const T* angles, const T* rates,
                          const JointTorqueSettings& settings) {
  static_cast<void>(angles);
  static_cast<void>(rates);
  out[0] = LaneSplat<T>(settings.appliedTorque);
}

// out[k-1] = -(b·rates[k-1]) for each of the n joints: the product, negated.
template <typename T>
inline void JointFriction(T* out, const T* rates, int n, const JointTorqueSettings& settings) {
  const double b = settings.frictionCoefficient;
  for (int joint = 0; joint < n; ++joint) out[joint] = -(b * rates[joint]);
}
template <typename T, int N>
inline void JointFriction(T (&out)[N], const T (&rates)[N], const JointTorqueSettings& settings) {
  JointFriction(out, rates, N, settings);
}

}  // namespace PENDULA_CODE_TARGET
}  // namespace pendula
