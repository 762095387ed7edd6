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

// out[k-1] = -(b·rates[k-1]) for every joint: the product, negated.
inline void JointFriction(double (&out)[LinkCount], const double (&rates)[LinkCount]) {
  const double b = activeJointTorques.frictionCoefficient;
  for (int joint = 0; joint < LinkCount; ++joint) out[joint] = -(b * rates[joint]);
}

}  // namespace pendula
