#include "dynamics/joint_torques.h"

#include "dynamics/dynamics.h"

namespace pendula {

ActiveJointTorques activeJointTorques = {0.0, 0.0};

void SetActiveJointTorques(double frictionCoefficient, double appliedTorque) {
  activeJointTorques.frictionCoefficient = frictionCoefficient;
  activeJointTorques.appliedTorque = appliedTorque;
}

}  // namespace pendula
