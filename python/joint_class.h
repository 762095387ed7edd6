// pendula.Joint: one joint of a tree and the body it moves, a read-only value.
#pragma once

#include <pybind11/pybind11.h>

namespace pendula {
namespace python {

// Adds Joint to the module.
void AddJointClass(pybind11::module_& module);

}  // namespace python
}  // namespace pendula
