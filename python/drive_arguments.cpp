#include "python/drive_arguments.h"

#include <cmath>
#include <string>

#include "python/chain_arrays.h"

namespace pendula {
namespace python {

namespace {

// float() would parse a str; PyFloat_AsDouble takes only what has __float__ or __index__.
double RealArgument(py::handle object, const char* name) {
  const double value = PyFloat_AsDouble(object.ptr());
  if (value == -1.0 && PyErr_Occurred() != nullptr) {
    PyErr_Clear();
    throw py::type_error(std::string(name) + " must be a real number; got " + TypeNameOf(object));
  }
  return value;
}

}  // namespace

double FrictionArgument(py::handle object) {
  const double friction = RealArgument(object, "friction");
  if (!(std::isfinite(friction) && friction >= 0.0)) {
    throw py::value_error("friction must be finite and >= 0; got " +
                          py::repr(py::float_(friction)).cast<std::string>());
  }
  return friction;
}

double TorqueArgument(py::handle object) {
  return RealArgument(object, "torque");
}

}  // namespace python
}  // namespace pendula
