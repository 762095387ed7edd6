// The argument checks that the calls of chain.h share.
#include "dynamics/chain_calls.h"

#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>

namespace pendula {

[[noreturn]] void Refuse(const std::string& message) {
  throw std::invalid_argument(message);
}

std::string Number(double x) {
  std::ostringstream out;
  out.precision(17);
  out << x;
  return out.str();
}

void RequireArray(const void* array, const char* name) {
  if (array == nullptr) Refuse(std::string(name) + " must not be null");
}

// The workspace must have been made for chains of this shape and count.
ChainWorkspace::Storage& StorageFor(const Chain& chain, ChainWorkspace& workspace) {
  ChainWorkspace::Storage& storage = workspace.storage();
  const ChainModel<DynamicLinkCount>& model = chain.model().chain;
  if (storage.linkCount != model.linkCount || storage.shape != model.shape ||
      storage.laneWidth != model.laneWidth) {
    Refuse("the workspace was made for a chain of " + std::to_string(storage.linkCount) + " links" +
           (storage.shape == ModelShape::InPlane ? " in the plane" : "") +
           ", not for this chain of " + std::to_string(model.linkCount) + " links" +
           (model.shape == ModelShape::InPlane ? " in the plane" : ""));
  }
  return storage;
}

void RequireFriction(double friction) {
  if (!(friction >= 0.0 && std::isfinite(friction))) {
    Refuse("friction must be finite and >= 0; got " + Number(friction));
  }
}

void RequireStepSize(double h) {
  if (!(h > 0.0 && std::isfinite(h))) {
    Refuse("the step size h must be finite and > 0; got " + Number(h));
  }
}

// The torques of one chain into the evaluation's applied-torque vector, zeros for none.
void SetJointTorques(double* appliedTorque, const double* torques, int n) {
  for (int joint = 0; joint < n; ++joint) {
    appliedTorque[joint] = torques == nullptr ? 0.0 : torques[joint];
  }
}

void SetJointTorques(ChainWorkspace::Storage& storage, double* appliedTorque,
                     const double* torques) {
  if (torques == nullptr && storage.noTorques) return;
  SetJointTorques(appliedTorque, torques, storage.linkCount);
  storage.noTorques = torques == nullptr;
}

}  // namespace pendula
