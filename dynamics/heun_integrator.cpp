#include "dynamics/heun_integrator.h"

#include "dynamics/chain_model.h"

namespace pendula {

void HeunStep(double (&momenta)[20], double (&angles)[20], double frictionCoefficient,
              double appliedTorque) {
  SetActiveJointTorques(frictionCoefficient, appliedTorque);
  const double h = chainModel.stepSize;
  double pdot1[LinkCount], qdot1[LinkCount];
  ForwardDynamics(momenta, angles, pdot1, qdot1);
  // Euler predictor, into buffers of the step; the chain's arrays are not changed yet.
  double pPredicted[LinkCount], qPredicted[LinkCount];
  for (int joint = 0; joint < LinkCount; ++joint) {
    pPredicted[joint] = momenta[joint] + h * pdot1[joint];
    qPredicted[joint] = angles[joint] + h * qdot1[joint];
  }
  double pdot2[LinkCount], qdot2[LinkCount];
  ForwardDynamics(pPredicted, qPredicted, pdot2, qdot2);
  // Trapezoidal corrector, in exactly this order: sum of the rates, times h, times 0.5, added.
  for (int joint = 0; joint < LinkCount; ++joint) {
    momenta[joint] = momenta[joint] + ((pdot2[joint] + pdot1[joint]) * h) * 0.5;
    angles[joint] = angles[joint] + ((qdot2[joint] + qdot1[joint]) * h) * 0.5;
  }
}

}  // namespace pendula
