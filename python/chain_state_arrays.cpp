#include "python/chain_state_arrays.h"

#include <cmath>
#include <string>

namespace pendula {
namespace python {
namespace {

std::string Shapes(int links) {
  const std::string n = std::to_string(links);
  return "(" + n + ",) or (n, " + n + ")";
}

bool HasStateShape(const py::array& array, int links) {
  return (array.ndim() == 1 && array.shape(0) == links) ||
         (array.ndim() == 2 && array.shape(1) == links);
}

}  // namespace

ChainArray ReadStates(py::handle object, const char* name, int links) {
  ChainArray states = ChainArray::ensure(object);
  if (!states) {
    throw py::type_error(std::string(name) + " must be an array-like of floats; got " +
                         TypeNameOf(object) + " that does not convert to float64");
  }
  if (!HasStateShape(states, links)) {
    throw py::value_error(std::string(name) + " must have shape " + Shapes(links) +
                          " for this chain of " + std::to_string(links) + " links; got " +
                          ShapeOf(states));
  }
  return states;
}

py::array InPlaceStates(py::handle object, const char* name, int links) {
  const std::string expected =
      " (step updates it in place, so it takes only a float64, "
      "C-contiguous, aligned, writeable numpy.ndarray of shape " +
      Shapes(links) + " and never a copy)";
  if (!py::isinstance<py::array>(object)) {
    throw py::type_error(std::string(name) + " must be a numpy.ndarray; got " + TypeNameOf(object) +
                         expected);
  }
  auto array = py::reinterpret_borrow<py::array>(object);
  if (!py::isinstance<py::array_t<double>>(object)) {
    throw py::type_error(std::string(name) + " must have dtype float64; got " +
                         py::str(array.dtype()).cast<std::string>() + expected);
  }
  if (!HasStateShape(array, links)) {
    throw py::value_error(std::string(name) + " must have shape " + Shapes(links) + "; got " +
                          ShapeOf(array) + expected);
  }
  if (!(array.flags() & py::array::c_style)) {
    throw py::value_error(std::string(name) + " must be C-contiguous" + expected);
  }
  if (!(array.flags() & py::detail::npy_api::NPY_ARRAY_ALIGNED_)) {
    throw py::value_error(std::string(name) + " must be aligned" + expected);
  }
  if (!array.writeable())
    throw py::value_error(std::string(name) + " must be writeable" + expected);
  return array;
}

void RequireFinite(const py::array& states, const char* name, int links) {
  const auto* values = static_cast<const double*>(states.data());
  const py::ssize_t count = states.size();
  for (py::ssize_t i = 0; i < count; ++i) {
    if (std::isfinite(values[i])) continue;
    const py::ssize_t chain = i / links, joint = i % links;
    const std::string where =
        states.ndim() == 1
            ? "[" + std::to_string(joint) + "] (joint " + std::to_string(joint + 1) + ")"
            : "[" + std::to_string(chain) + ", " + std::to_string(joint) + "] (chain " +
                  std::to_string(chain) + ", joint " + std::to_string(joint + 1) + ")";
    throw py::value_error(std::string(name) + where + " must be finite; got " +
                          py::repr(py::float_(values[i])).cast<std::string>());
  }
}

TorqueArray ReadTorques(py::handle object, int links, const py::array& like) {
  if (object.is_none()) return TorqueArray{ChainArray(), nullptr, false};
  ChainArray torques = ReadStates(object, "torques", links);
  if (torques.ndim() == 2 && (like.ndim() != 2 || torques.shape(0) != like.shape(0))) {
    throw py::value_error("torques must be None, shape (" + std::to_string(links) +
                          ",) for every chain or one row per chain, shape " + ShapeOf(like) +
                          "; got " + ShapeOf(torques));
  }
  RequireFinite(torques, "torques", links);
  return TorqueArray{torques, torques.data(), torques.ndim() == 2};
}

}  // namespace python
}  // namespace pendula
