#include "python/model_arrays.h"

#include <cmath>
#include <string>
#include <vector>

#include "python/model_arguments.h"

namespace pendula {
namespace python {
namespace {

std::string Shapes(int joints) {
  const std::string n = std::to_string(joints);
  return "(" + n + ",) or (n, " + n + ")";
}

}  // namespace

ChainArray ReadJointStates(py::handle object, const char* name, int joints) {
  ChainArray states = ChainArray::ensure(object);
  if (!states) {
    throw py::type_error(std::string(name) + " must be an array-like of floats; got " +
                         TypeNameOf(object) + " that does not convert to float64");
  }
  const bool one = states.ndim() == 1 && states.shape(0) == joints;
  const bool many = states.ndim() == 2 && states.shape(1) == joints;
  if (!one && !many) {
    throw py::value_error(std::string(name) + " must have shape " + Shapes(joints) +
                          " for this model of " + std::to_string(joints) + " joints; got " +
                          ShapeOf(states));
  }
  return states;
}

void RequireFiniteJoints(const py::array& states, const char* name, const Model& model) {
  const int n = model.jointCount();
  const auto* values = static_cast<const double*>(states.data());
  for (py::ssize_t k = 0; k < states.size(); ++k) {
    if (std::isfinite(values[k])) continue;
    const int joint = static_cast<int>(k % n);
    const std::string& jointName = model.description().joints[joint].name;
    const std::string label = jointName.empty() ? std::to_string(joint) : jointName;
    const std::string row = std::to_string(k / n);
    std::string where = "[";
    if (states.ndim() != 1) where.append(row).append(", ");
    where.append(std::to_string(joint)).append("] (");
    if (states.ndim() != 1) where.append("state ").append(row).append(", ");
    where.append("joint ").append(label).append(")");
    throw py::value_error(std::string(name) + where + " must be finite; got " + ReprOf(values[k]));
  }
}

TorqueArray ReadJointTorques(py::handle object, const Model& model, const py::array& like) {
  if (object.is_none()) return TorqueArray{ChainArray(), nullptr, false};
  const int n = model.jointCount();
  ChainArray torques = ReadJointStates(object, "torques", n);
  const bool perState = torques.ndim() == 2;
  if (perState && (like.ndim() != 2 || torques.shape(0) != like.shape(0))) {
    throw py::value_error("torques must be None, shape (" + std::to_string(n) +
                          ",) for every state or one row per state, shape " + ShapeOf(like) +
                          "; got " + ShapeOf(torques));
  }
  RequireFiniteJoints(torques, "torques", model);
  return TorqueArray{torques, torques.data(), perState};
}

ChainArray NewArrayWith(const py::array& like, std::initializer_list<py::ssize_t> trailing) {
  std::vector<py::ssize_t> shape(like.shape(), like.shape() + like.ndim());
  shape.insert(shape.end(), trailing.begin(), trailing.end());
  return ChainArray(shape);
}

}  // namespace python
}  // namespace pendula
