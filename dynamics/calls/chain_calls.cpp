// The argument checks that the calls of chain.h share.
#include "dynamics/calls/chain_calls.h"

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
  ChainWorkspace::Storage& storage = ChainAccess::StorageOf(workspace);
  const ChainModel& model = ChainAccess::ModelOf(chain).chain;
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

void RequireNewton(const NewtonSettings& newton) {
  if (!(newton.tolerance > 0.0 && std::isfinite(newton.tolerance))) {
    Refuse("the Newton tolerance must be finite and > 0; got " + Number(newton.tolerance));
  }
  if (newton.maxIterations < 1) {
    Refuse("the Newton iteration limit must be >= 1; got " + std::to_string(newton.maxIterations));
  }
}

void RequireTolerances(const AdaptiveTolerances& t) {
  const bool finite = std::isfinite(t.relative) && std::isfinite(t.absolute);
  if (!(finite && t.relative >= 0.0 && t.absolute >= 0.0 && t.relative + t.absolute > 0.0)) {
    Refuse("the tolerances must be finite and >= 0, not both 0; got relative " +
           Number(t.relative) + ", absolute " + Number(t.absolute));
  }
  if (t.maxSteps < 1) Refuse("maxSteps must be >= 1; got " + std::to_string(t.maxSteps));
}

void RequireMethod(StepMethod method) {
  if (method != StepMethod::Heun && method != StepMethod::Rk4 && method != StepMethod::Midpoint) {
    Refuse("the step method must be Heun, Rk4 or Midpoint; got " +
           std::to_string(static_cast<int>(method)));
  }
}

void RequireStepSize(double h) {
  if (!(h > 0.0 && std::isfinite(h))) {
    Refuse("the step size h must be finite and > 0; got " + Number(h));
  }
}

namespace {

// The index of the first of `count` values that is not finite, or -1.
long FirstNotFinite(const double* values, long count) {
  for (long i = 0; i < count; ++i) {
    if (!std::isfinite(values[i])) return i;
  }
  return -1;
}

}  // namespace

void RequireFiniteJoints(const double* values, int n, const char* name) {
  const long i = FirstNotFinite(values, n);
  if (i < 0) return;
  Refuse(std::string(name) + "[" + std::to_string(i) + "] (joint " + std::to_string(i + 1) +
         ") must be finite; got " + Number(values[i]));
}

void RequireFiniteRows(const double* values, int n, int chainCount, const char* name) {
  const long i = FirstNotFinite(values, static_cast<long>(n) * chainCount);
  if (i < 0) return;
  Refuse(std::string(name) + "[" + std::to_string(i) + "] (chain " + std::to_string(i / n) +
         ", joint " + std::to_string(i % n + 1) + ") must be finite; got " + Number(values[i]));
}

void RequireFiniteTorques(const double* torques, int n) {
  if (torques != nullptr) RequireFiniteJoints(torques, n, "torques");
}

void RequireFiniteTorques(JointTorques torques, int n, int chainCount) {
  if (torques.values == nullptr) return;
  if (torques.perChain) {
    RequireFiniteRows(torques.values, n, chainCount, "torques.values");
  } else {
    RequireFiniteJoints(torques.values, n, "torques.values");
  }
}

// The torques of one chain into the evaluation's applied-torque vector, zeros for none.
void SetJointTorques(double* appliedTorque, const double* torques, int n) {
  for (int joint = 0; joint < n; ++joint) {
    appliedTorque[joint] = torques == nullptr ? 0.0 : torques[joint];
  }
}

}  // namespace pendula
