// The friction, torque and threads arguments of the module's functions, checked before anything
// is read or stepped. The messages name the argument and say what it takes; they never print an
// array.
#pragma once

#include <pybind11/pybind11.h>

namespace pendula {
namespace python {

namespace py = pybind11;

// The viscous friction coefficient b: a real number (int, float, NumPy scalar), finite and >= 0.
// TypeError for anything that is not a real number, ValueError for NaN, infinities or b < 0.
double FrictionArgument(py::handle object);

// The torque on joint 1, N m: a finite real number. TypeError for anything that is not a real
// number, ValueError for NaN or infinities.
double TorqueArgument(py::handle object);

// The most threads a batch step may use: None for the default rule (0), or an int >= 1 (ints
// beyond INT_MAX taken as INT_MAX). TypeError for anything but None or an int, ValueError below 1.
int ThreadsArgument(py::handle object);

}  // namespace python
}  // namespace pendula
