// The robot of a URDF file in DART, through DART's URDF loader, its root link welded to the world.
//
// Where DART departs from what the file says, and what is done about it:
// - A link without <inertial> is massless in URDF, but DART's loader gives it a default inertia,
//   mass 1 and unit moments: the loader is given a zero default inertia instead
//   (dart_skeleton.h). (A moving massless leaf would then be singular in DART, as it is in
//   pendula, which refuses it.) DART warns on standard error of each body of zero mass it is
//   given: those warnings are expected.
// - DART takes joint damping implicitly, as for a step of the skeleton's time step h: its forward
//   dynamics adds h·d to each joint's articulated inertia, so its q̈ depends on h. The joints'
//   damping is read from the file, set to zero in DART and applied explicitly as the joint force
//   -d·q̇ instead.
// - Joint limits and Coulomb friction act through DART's constraint solver only, which the forward
//   dynamics of a skeleton never calls.
// The headers one by one: dart/dart.hpp also includes IkFast.hpp, whose ikfast.h Debian does not
// ship.
#include <dart/dynamics/BodyNode.hpp>
#include <dart/dynamics/DegreeOfFreedom.hpp>
#include <dart/dynamics/PrismaticJoint.hpp>
#include <dart/dynamics/RevoluteJoint.hpp>
#include <dart/dynamics/Skeleton.hpp>
#include <stdexcept>

#include "tests/peers/dart_skeleton.h"
#include "tests/peers/joint_order.h"
#include "tests/peers/peer.h"

namespace pendula {
namespace peers {
namespace {

class DartPeer : public Peer {
 public:
  static constexpr char Name[] = "DART";

  DartPeer(const std::string& path, const std::vector<std::string>& wanted)
      : skeleton_(LoadDartSkeleton(path)) {
    const int n = static_cast<int>(skeleton_->getNumDofs());
    for (int k = 0; k < n; ++k) {
      dart::dynamics::DegreeOfFreedom* dof = skeleton_->getDof(k);
      dart::dynamics::Joint* joint = dof->getJoint();
      const std::string& type = joint->getType();
      if (joint->getNumDofs() != 1 || (type != dart::dynamics::RevoluteJoint::getStaticType() &&
                                       type != dart::dynamics::PrismaticJoint::getStaticType())) {
        throw std::runtime_error("DART: joint " + joint->getName() + " neither turns nor slides");
      }
      names_.push_back(joint->getName());
    }
    order_ = JointOrder(names_, wanted, Name);
    if (!wanted.empty()) names_ = wanted;
    damping_.resize(n);
    for (int k = 0; k < n; ++k) {
      damping_[k] = skeleton_->getDof(k)->getDampingCoefficient();
      skeleton_->getDof(k)->setDampingCoefficient(0.0);
    }
  }

  const char* name() const override { return Name; }
  const std::vector<std::string>& jointNames() const override { return names_; }

  PeerDynamics Evaluate(const Vector& positions, const Vector& rates) override {
    const int n = static_cast<int>(names_.size());
    Eigen::VectorXd q(n), v(n), force(n);
    for (int i = 0; i < n; ++i) {
      q[order_[i]] = positions[i];
      v[order_[i]] = rates[i];
    }
    for (int k = 0; k < n; ++k) force[k] = -damping_[k] * v[k];
    skeleton_->setPositions(q);
    skeleton_->setVelocities(v);
    skeleton_->setForces(force);
    skeleton_->computeForwardDynamics();
    const Eigen::MatrixXd& M = skeleton_->getMassMatrix();
    const Eigen::VectorXd a = skeleton_->getAccelerations();
    PeerDynamics out;
    out.massMatrix.resize(static_cast<std::size_t>(n) * n);
    out.momenta.assign(n, 0.0);
    out.accelerations.resize(n);
    for (int i = 0; i < n; ++i) {
      for (int k = 0; k < n; ++k) {
        out.massMatrix[i * n + k] = M(order_[i], order_[k]);
        out.momenta[i] += out.massMatrix[i * n + k] * rates[k];
      }
      out.accelerations[i] = a[order_[i]];
    }
    // The weight at each moving body's centre of mass, from the world's origin, where the root
    // lies; a body that no degree of freedom moves belongs to the base.
    for (std::size_t b = 0; b < skeleton_->getNumBodyNodes(); ++b) {
      const dart::dynamics::BodyNode* body = skeleton_->getBodyNode(b);
      if (body->getNumDependentGenCoords() == 0) continue;
      out.potential -= body->getMass() * body->getCOM().dot(skeleton_->getGravity());
    }
    out.kinetic = skeleton_->computeKineticEnergy();
    return out;
  }

 private:
  dart::dynamics::SkeletonPtr skeleton_;
  std::vector<std::string> names_;
  std::vector<int> order_;       // order_[i]: DART's degree of freedom of the caller's joint i
  std::vector<double> damping_;  // by DART's degree of freedom
};

}  // namespace

std::unique_ptr<Peer> LoadDart(const std::string& urdfPath,
                               const std::vector<std::string>& jointNames) {
  return std::make_unique<DartPeer>(urdfPath, jointNames);
}

}  // namespace peers
}  // namespace pendula
