#include "dynamics/heun_integrator.h"

#include <cassert>
#include <type_traits>

#include "dynamics/chain_model.h"
#include "dynamics/in_plane_chain.h"
#include "dynamics/lanes.h"

namespace pendula {

namespace {

template <typename T>
using Joints = T[LinkCount];

// The step's two evaluations, of one chain (double) or of a pair (DoublePair): ForwardDynamics,
// or for the in-plane model the in-plane evaluation, the first one working out where the second
// will read the table and fetching those entries early.
template <typename T>
class StepEvaluations {
 public:
  void First(const Joints<T>& p, const Joints<T>& q, Joints<T>& pdot, Joints<T>& qdot) {
    Evaluate({nullptr, &predictedPlaces_, chainModel.stepSize}, p, q, pdot, qdot);
  }
  void Second(const Joints<T>& p, const Joints<T>& q, Joints<T>& pdot, Joints<T>& qdot) {
    Evaluate({&predictedPlaces_, nullptr, 0.0}, p, q, pdot, qdot);
  }

 private:
  static void Evaluate(const StepLookahead<T>& lookahead, const Joints<T>& p, const Joints<T>& q,
                       Joints<T>& pdot, Joints<T>& qdot) {
    if constexpr (std::is_same_v<T, double>) {
      if (chainModel.shape != ModelShape::InPlane) return ForwardDynamics(p, q, pdot, qdot);
      EvaluateInPlaneChain(chainWorkspace, chainModel, p, q, pdot, qdot, lookahead);
    } else {
      EvaluateInPlaneChainPair(chainModel, p, q, pdot, qdot, lookahead);
    }
  }

  JointTablePlaces<T> predictedPlaces_;
};

// The Heun step of (p, q) in place, with the b and τ already stored; for a pair lane by lane.
template <typename T>
void Step(Joints<T>& momenta, Joints<T>& angles) {
  const double h = chainModel.stepSize;
  StepEvaluations<T> evaluations;
  T pdot1[LinkCount], qdot1[LinkCount];
  evaluations.First(momenta, angles, pdot1, qdot1);
  // Euler predictor, into buffers of the step; the chain's arrays are not changed yet.
  T pPredicted[LinkCount], qPredicted[LinkCount];
  for (int joint = 0; joint < LinkCount; ++joint) {
    pPredicted[joint] = momenta[joint] + h * pdot1[joint];
    qPredicted[joint] = angles[joint] + h * qdot1[joint];
  }
  T pdot2[LinkCount], qdot2[LinkCount];
  evaluations.Second(pPredicted, qPredicted, pdot2, qdot2);
  // Trapezoidal corrector, in exactly this order: sum of the rates, times h, times 0.5, added.
  for (int joint = 0; joint < LinkCount; ++joint) {
    momenta[joint] = momenta[joint] + ((pdot2[joint] + pdot1[joint]) * h) * 0.5;
    angles[joint] = angles[joint] + ((qdot2[joint] + qdot1[joint]) * h) * 0.5;
  }
}

}  // namespace

void HeunStep(double (&momenta)[20], double (&angles)[20], double frictionCoefficient,
              double appliedTorque) {
  // As in ForwardDynamics: a model changed without its shape stored again would be stepped by
  // arithmetic that assumes what no longer holds.
  assert(chainModel.shape == ClassifyChainModel(chainModel));
  SetActiveJointTorques(frictionCoefficient, appliedTorque);
  Step<double>(momenta, angles);
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
  // Chain A in lane 0, chain B in lane 1.
  DoublePair p[LinkCount], q[LinkCount];
  for (int joint = 0; joint < LinkCount; ++joint) {
    p[joint] = DoublePair{momentaA[joint], momentaB[joint]};
    q[joint] = DoublePair{anglesA[joint], anglesB[joint]};
  }
  Step<DoublePair>(p, q);
  for (int joint = 0; joint < LinkCount; ++joint) {
    momentaA[joint] = p[joint][0];
    momentaB[joint] = p[joint][1];
    anglesA[joint] = q[joint][0];
    anglesB[joint] = q[joint][1];
  }
}

void StepChains(double (*momenta)[20], double (*angles)[20], int chainCount,
                double frictionCoefficient, double appliedTorque) {
  int i = 0;
  for (; i + 1 < chainCount; i += 2) {
    HeunStepPair(momenta[i], angles[i], momenta[i + 1], angles[i + 1], frictionCoefficient,
                 appliedTorque);
  }
  for (; i < chainCount; ++i) HeunStep(momenta[i], angles[i], frictionCoefficient, appliedTorque);
}

}  // namespace pendula
