#include "dynamics/heun_integrator.h"

#include <cassert>

#include "dynamics/chain_model.h"
#include "dynamics/in_plane_chain.h"
#include "dynamics/lanes.h"

namespace pendula {

namespace {

// The step's two evaluations: ForwardDynamics, or for the in-plane model the in-plane
// evaluation, the first one working out where the second will read the table and fetching
// those entries early.
struct StepEvaluations {
  bool inPlane = chainModel.shape == ModelShape::InPlane;
  JointTablePlaces<double> predictedPlaces;

  void First(const double (&p)[LinkCount], const double (&q)[LinkCount], double (&pdot)[LinkCount],
             double (&qdot)[LinkCount]) {
    if (!inPlane) return ForwardDynamics(p, q, pdot, qdot);
    const StepLookahead<double> lookahead{nullptr, &predictedPlaces, chainModel.stepSize};
    EvaluateInPlaneChain(chainWorkspace, chainModel, p, q, pdot, qdot, lookahead);
  }
  void Second(const double (&p)[LinkCount], const double (&q)[LinkCount], double (&pdot)[LinkCount],
              double (&qdot)[LinkCount]) {
    if (!inPlane) return ForwardDynamics(p, q, pdot, qdot);
    const StepLookahead<double> lookahead{&predictedPlaces, nullptr, 0.0};
    EvaluateInPlaneChain(chainWorkspace, chainModel, p, q, pdot, qdot, lookahead);
  }
};

}  // namespace

void HeunStep(double (&momenta)[20], double (&angles)[20], double frictionCoefficient,
              double appliedTorque) {
  // As in ForwardDynamics: a model changed without its shape stored again would be stepped by
  // arithmetic that assumes what no longer holds.
  assert(chainModel.shape == ClassifyChainModel(chainModel));
  SetActiveJointTorques(frictionCoefficient, appliedTorque);
  const double h = chainModel.stepSize;
  StepEvaluations evaluations;
  double pdot1[LinkCount], qdot1[LinkCount];
  evaluations.First(momenta, angles, pdot1, qdot1);
  // Euler predictor, into buffers of the step; the chain's arrays are not changed yet.
  double pPredicted[LinkCount], qPredicted[LinkCount];
  for (int joint = 0; joint < LinkCount; ++joint) {
    pPredicted[joint] = momenta[joint] + h * pdot1[joint];
    qPredicted[joint] = angles[joint] + h * qdot1[joint];
  }
  double pdot2[LinkCount], qdot2[LinkCount];
  evaluations.Second(pPredicted, qPredicted, pdot2, qdot2);
  // Trapezoidal corrector, in exactly this order: sum of the rates, times h, times 0.5, added.
  for (int joint = 0; joint < LinkCount; ++joint) {
    momenta[joint] = momenta[joint] + ((pdot2[joint] + pdot1[joint]) * h) * 0.5;
    angles[joint] = angles[joint] + ((qdot2[joint] + qdot1[joint]) * h) * 0.5;
  }
}

void HeunStepPair(double (&momentaA)[20], double (&anglesA)[20], double (&momentaB)[20],
                  double (&anglesB)[20], double frictionCoefficient, double appliedTorque) {
  assert(chainModel.shape == ClassifyChainModel(chainModel));
  if (chainModel.shape != ModelShape::InPlane) {
    HeunStep(momentaA, anglesA, frictionCoefficient, appliedTorque);
    HeunStep(momentaB, anglesB, frictionCoefficient, appliedTorque);
    return;
  }
  SetActiveJointTorques(frictionCoefficient, appliedTorque);
  const double h = chainModel.stepSize;
  // Chain A in lane 0, chain B in lane 1; the arithmetic is HeunStep's, lane by lane.
  DoublePair p[LinkCount], q[LinkCount];
  for (int joint = 0; joint < LinkCount; ++joint) {
    p[joint] = DoublePair{momentaA[joint], momentaB[joint]};
    q[joint] = DoublePair{anglesA[joint], anglesB[joint]};
  }
  JointTablePlaces<DoublePair> predictedPlaces;
  DoublePair pdot1[LinkCount], qdot1[LinkCount];
  EvaluateInPlaneChainPair(chainModel, p, q, pdot1, qdot1, {nullptr, &predictedPlaces, h});
  DoublePair pPredicted[LinkCount], qPredicted[LinkCount];
  for (int joint = 0; joint < LinkCount; ++joint) {
    pPredicted[joint] = p[joint] + h * pdot1[joint];
    qPredicted[joint] = q[joint] + h * qdot1[joint];
  }
  DoublePair pdot2[LinkCount], qdot2[LinkCount];
  EvaluateInPlaneChainPair(chainModel, pPredicted, qPredicted, pdot2, qdot2,
                           {&predictedPlaces, nullptr, 0.0});
  for (int joint = 0; joint < LinkCount; ++joint) {
    const DoublePair pNew = p[joint] + ((pdot2[joint] + pdot1[joint]) * h) * 0.5;
    const DoublePair qNew = q[joint] + ((qdot2[joint] + qdot1[joint]) * h) * 0.5;
    momentaA[joint] = pNew[0];
    momentaB[joint] = pNew[1];
    anglesA[joint] = qNew[0];
    anglesB[joint] = qNew[1];
  }
}

}  // namespace pendula
