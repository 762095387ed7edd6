#include "python/drive_arguments.h"

#include <climits>
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
  const double torque = RealArgument(object, "torque");
  if (!std::isfinite(torque)) {
    throw py::value_error("torque (joint 1) must be finite; got " +
                          py::repr(py::float_(torque)).cast<std::string>());
  }
  return torque;
}

int ThreadsArgument(py::handle object) {
  if (object.is_none()) return 0;
  if (!py::isinstance<py::int_>(object)) {
    throw py::type_error("threads must be None or an int >= 1; got " + TypeNameOf(object));
  }
  // With the overflow flag, no int is too large to be refused or accepted.
  int overflow = 0;
  const long long asked = PyLong_AsLongLongAndOverflow(object.ptr(), &overflow);
  if (overflow < 0 || (overflow == 0 && asked < 1)) {
    throw py::value_error("threads must be None or at least 1");
  }
  return overflow > 0 || asked > INT_MAX ? INT_MAX : static_cast<int>(asked);
}

}  // namespace python
}  // namespace pendula
