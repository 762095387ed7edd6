// The joint torques: viscous friction on every joint and the applied torque that
// drives joint 1, and the active friction coefficient b and applied torque tau they read.
#pragma once

#include "dynamics/chain_model.h"

namespace pendula {

// The values HeunStep stores on entry to each chain step (SetActiveJointTorques, declared in
// dynamics/dynamics.h) and the torque routines read.
struct ActiveJointTorques {
  double frictionCoefficient;  // b
  double appliedTorque;        // tau
};
extern ActiveJointTorques activeJointTorques;

// out[0] = tau; nothing else is written (angles and rates are not used).
inline void AppliedTorque(double (&out)[LinkCount], const double (&angles)[LinkCount],
                          const double (&rates)[LinkCount]) {
  static_cast<void>(angles);
  static_cast<void>(rates);
  out[0] = activeJointTorques.appliedTorque;
}

// The torque that AppliedTorque puts on joint `joint` (element k - 1): tau on joint 1, and on
// the others the zero their untouched slots hold.
inline double AppliedTorqueOn(int joint) {
  return joint == 0 ? activeJointTorques.appliedTorque : 0.0;
}

// out[k-1] = -(b·rates[k-1]) for every joint: the product, negated. T is double, or a pack of
// doubles (lanes.h) holding several chains' rates.
template <typename T>
inline void JointFriction(T (&out)[LinkCount], const T (&rates)[LinkCount]) {
  const double b = activeJointTorques.frictionCoefficient;
  for (int joint = 0; joint < LinkCount; ++joint) out[joint] = -(b * rates[joint]);
}

}  // namespace pendula
