#include "bench/bullet/bullet_chain.h"

#include <limits>
#include <vector>

namespace pendula {
namespace comparison {
namespace {

constexpr double LinkMass = 1.0;
constexpr double LinkLength = 1.0;
constexpr double CentreOfMass = 0.5;  // along the link from its joint
constexpr double Gravity = 9.80665;   // along -y

// Rotational inertia about the centre of mass, principal axes along the link frame's.
const btVector3 InertiaAboutCentre(0.01, 0.08, 0.08);

// The base is fixed: its mass and inertia never enter the dynamics but must be positive.
constexpr double BaseMass = 1.0;
const btVector3 BaseInertia(1.0, 1.0, 1.0);

// With dt = 1, Bullet's velocity update q̇ + q̈ dt hands back q̈ without a scale factor.
constexpr double ReadOutStep = 1.0;

}  // namespace

BulletChain MakeBulletChain(int links) {
  BulletChain chain;
  chain.body = std::make_unique<btMultiBody>(links, BaseMass, BaseInertia, /*fixedBase=*/true,
                                             /*canSleep=*/false);
  const btQuaternion noTwist(0.0, 0.0, 0.0, 1.0);
  const btVector3 jointAxis(0.0, 0.0, 1.0);
  const btVector3 jointToCentre(CentreOfMass, 0.0, 0.0);
  for (int i = 0; i < links; ++i) {
    // Bullet's link frames sit at the centres of mass: the first joint is at the base's origin,
    // every later one at the end of its parent, LinkLength - CentreOfMass beyond the parent's
    // centre of mass.
    const btVector3 parentCentreToJoint =
        i == 0 ? btVector3(0.0, 0.0, 0.0) : btVector3(LinkLength - CentreOfMass, 0.0, 0.0);
    chain.body->setupRevolute(i, LinkMass, InertiaAboutCentre, i - 1, noTwist, jointAxis,
                              parentCentreToJoint, jointToCentre,
                              /*disableParentCollision=*/true);
  }
  chain.body->finalizeMultiDof();
  chain.body->setLinearDamping(0.0);
  chain.body->setAngularDamping(0.0);
  chain.body->setMaxCoordinateVelocity(std::numeric_limits<double>::infinity());
  chain.savedJointRates.assign(links, 0.0);
  return chain;
}

int BulletLinkCount(const BulletChain& chain) {
  return chain.body->getNumLinks();
}

void SetBulletState(BulletChain& chain, const double* angles, const double* jointRates) {
  btMultiBody& body = *chain.body;
  body.clearForcesAndTorques();
  for (int i = 0; i < body.getNumLinks(); ++i) {
    body.setJointPos(i, angles[i]);
    body.setJointVel(i, jointRates[i]);
    body.addLinkForce(i, btVector3(0.0, -Gravity * body.getLinkMass(i), 0.0));
  }
}

void BulletJointAccelerations(BulletChain& chain, double* jointAccelerations) {
  btMultiBody& body = *chain.body;
  const int n = body.getNumLinks();
  for (int i = 0; i < n; ++i) chain.savedJointRates[i] = body.getJointVel(i);
  // Bullet adds q̈ dt to the rates at the end of its recursion and keeps q̈ to itself.
  body.computeAccelerationsArticulatedBodyAlgorithmMultiDof(
      ReadOutStep, chain.scratchReals, chain.scratchVectors, chain.scratchMatrices,
      /*isConstraintPass=*/false, /*jointFeedbackInWorldSpace=*/false,
      /*jointFeedbackInJointFrame=*/false);
  for (int i = 0; i < n; ++i) {
    jointAccelerations[i] = (body.getJointVel(i) - chain.savedJointRates[i]) / ReadOutStep;
    body.setJointVel(i, chain.savedJointRates[i]);
  }
}

void BulletInverseMassMatrix(BulletChain& chain, double* inverse) {
  btMultiBody& body = *chain.body;
  const int n = body.getNumLinks();
  constexpr int BaseRates = 6;
  // The recursion's inertias of the current angles, which the unit responses below reuse; a
  // zero step leaves the rates alone.
  body.computeAccelerationsArticulatedBodyAlgorithmMultiDof(
      0.0, chain.scratchReals, chain.scratchVectors, chain.scratchMatrices,
      /*isConstraintPass=*/false, /*jointFeedbackInWorldSpace=*/false,
      /*jointFeedbackInJointFrame=*/false);
  // Generalized forces and accelerations list the base's six components first, then the joints'.
  std::vector<btScalar> torque(BaseRates + n, 0.0), response(BaseRates + n, 0.0);
  for (int j = 0; j < n; ++j) {
    torque[BaseRates + j] = 1.0;
    body.calcAccelerationDeltasMultiDof(torque.data(), response.data(), chain.scratchReals,
                                        chain.scratchVectors);
    torque[BaseRates + j] = 0.0;
    for (int i = 0; i < n; ++i) {
      inverse[static_cast<std::size_t>(n) * i + j] = response[BaseRates + i];
    }
  }
}

}  // namespace comparison
}  // namespace pendula
