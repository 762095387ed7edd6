// The headers one by one: dart/dart.hpp also includes IkFast.hpp, whose ikfast.h Debian does not
// ship.
#include "tests/peers/dart_skeleton.h"

#include <dart/dynamics/Skeleton.hpp>
#include <dart/utils/urdf/DartLoader.hpp>
#include <stdexcept>

#include "tests/peers/peer.h"
#include "tests/peers/urdf_text.h"

namespace pendula {
namespace peers {

dart::dynamics::SkeletonPtr LoadDartSkeleton(const std::string& urdfPath) {
  using dart::dynamics::Inertia;
  using dart::utils::DartLoader;
  const DartLoader::Options options(nullptr, DartLoader::RootJointType::FIXED,
                                    Inertia(0.0, Eigen::Vector3d::Zero(), Eigen::Matrix3d::Zero()));
  DartLoader loader(options);
  auto skeleton = loader.parseSkeletonString(KinematicsAndInertiaOnly(ReadTextFile(urdfPath)),
                                             dart::common::Uri::createFromPath(urdfPath));
  if (!skeleton) throw std::runtime_error("DART cannot load " + urdfPath);
  skeleton->setGravity(Eigen::Vector3d(0.0, 0.0, -StandardGravity));
  return skeleton;
}

}  // namespace peers
}  // namespace pendula
