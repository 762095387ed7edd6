#include "bench/bullet/bullet_chain.h"

#include <cmath>
#include <limits>
#include <vector>

namespace pendula {
namespace comparison {
namespace {

constexpr double LinkMass = 1.0;
constexpr double LinkLength = 1.0;
constexpr double CentreOfMass = 0.5;  // along the link from its joint

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

namespace {

// The inertia of a link about its centre of mass, I_c = I_o - m (|c|² 1 - c cᵀ), as Q diag(λ) Qᵀ:
// Jacobi rotations turn I_c into diag(λ) and gather their product in Q, whose columns are the
// principal axes in link coordinates.
void PrincipalAxes(const Link& link, btMatrix3x3& Q, btVector3& moments) {
  const double* I = link.inertia;
  const double* c = link.centreOfMass;
  const double m = link.mass, cc = c[0] * c[0] + c[1] * c[1] + c[2] * c[2];
  double A[3][3] = {{I[0], I[1], I[2]}, {I[1], I[3], I[4]}, {I[2], I[4], I[5]}};
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) A[i][j] -= m * ((i == j ? cc : 0.0) - c[i] * c[j]);
  }
  double V[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (int sweep = 0; sweep < 50; ++sweep) {
    for (int p = 0; p < 2; ++p) {
      for (int q = p + 1; q < 3; ++q) {
        if (A[p][q] == 0.0) continue;
        const double theta = (A[q][q] - A[p][p]) / (2.0 * A[p][q]);
        const double t =
            (theta >= 0 ? 1.0 : -1.0) / (std::fabs(theta) + std::sqrt(theta * theta + 1));
        const double co = 1.0 / std::sqrt(t * t + 1), si = t * co;
        for (int k = 0; k < 3; ++k) {
          const double akp = A[k][p], akq = A[k][q];
          A[k][p] = co * akp - si * akq;
          A[k][q] = si * akp + co * akq;
        }
        for (int k = 0; k < 3; ++k) {
          const double apk = A[p][k], aqk = A[q][k];
          A[p][k] = co * apk - si * aqk;
          A[q][k] = si * apk + co * aqk;
        }
        for (int k = 0; k < 3; ++k) {
          const double vkp = V[k][p], vkq = V[k][q];
          V[k][p] = co * vkp - si * vkq;
          V[k][q] = si * vkp + co * vkq;
        }
      }
    }
  }
  // A proper rotation: flip the last axis if the product turned out a reflection.
  const double det = V[0][0] * (V[1][1] * V[2][2] - V[1][2] * V[2][1]) -
                     V[0][1] * (V[1][0] * V[2][2] - V[1][2] * V[2][0]) +
                     V[0][2] * (V[1][0] * V[2][1] - V[1][1] * V[2][0]);
  if (det < 0) {
    for (int k = 0; k < 3; ++k) V[k][2] = -V[k][2];
  }
  Q.setValue(V[0][0], V[0][1], V[0][2], V[1][0], V[1][1], V[1][2], V[2][0], V[2][1], V[2][2]);
  moments = btVector3(A[0][0], A[1][1], A[2][2]);
}

}  // namespace

// x_link = Q x_bullet for each link's Bullet frame. With E0 = Rx(alpha) the turn of link k from
// its parent at zero joint angle (parent coordinates of link coordinates), Bullet's turn from
// the parent's frame to this one is Q_kᵀ E0ᵀ Q_(k-1), the joint axis is Q_kᵀ e_z, the pivot lies
// Q_(k-1)ᵀ (r_k - c_(k-1)) from the parent's centre of mass (r_k = (a, d sin alpha, -d cos alpha);
// the base's frame is its own, at its origin) and the centre of mass Q_kᵀ c_k from the pivot.
BulletChain MakeBulletChain(const ChainDescription& description) {
  const int links = static_cast<int>(description.links.size());
  BulletChain chain;
  chain.body = std::make_unique<btMultiBody>(links, BaseMass, BaseInertia, /*fixedBase=*/true,
                                             /*canSleep=*/false);
  btMatrix3x3 parentAxes = btMatrix3x3::getIdentity();
  btVector3 parentCentre(0.0, 0.0, 0.0);
  for (int k = 0; k < links; ++k) {
    const Link& L = description.links[k];
    btMatrix3x3 Q;
    btVector3 moments;
    PrincipalAxes(L, Q, moments);
    const btMatrix3x3 twist(1.0, 0.0, 0.0, 0.0, std::cos(L.alpha), -std::sin(L.alpha), 0.0,
                            std::sin(L.alpha), std::cos(L.alpha));
    btQuaternion parentToThis;
    (Q.transpose() * twist.transpose() * parentAxes).getRotation(parentToThis);
    const btVector3 pivot(L.a, L.d * std::sin(L.alpha), -L.d * std::cos(L.alpha));
    const btVector3 centre(L.centreOfMass[0], L.centreOfMass[1], L.centreOfMass[2]);
    chain.body->setupRevolute(k, L.mass, moments, k - 1, parentToThis,
                              Q.transpose() * btVector3(0.0, 0.0, 1.0),
                              parentAxes.transpose() * (pivot - parentCentre),
                              Q.transpose() * centre, /*disableParentCollision=*/true);
    parentAxes = Q;
    parentCentre = centre;
  }
  chain.body->finalizeMultiDof();
  chain.body->setLinearDamping(0.0);
  chain.body->setAngularDamping(0.0);
  chain.body->setMaxCoordinateVelocity(std::numeric_limits<double>::infinity());
  chain.savedJointRates.assign(links, 0.0);
  chain.gravity = btVector3(description.gravity[0], description.gravity[1], description.gravity[2]);
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
    body.addLinkForce(i, chain.gravity * body.getLinkMass(i));
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
