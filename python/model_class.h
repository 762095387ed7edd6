// pendula.Joint and pendula.Model: trees of revolute and prismatic joints, described joint by
// joint or read from a URDF file, built at run time, on NumPy arrays; and Chain.mass_matrix.
#pragma once

#include <pybind11/pybind11.h>

namespace pendula {
namespace python {

// Adds Joint and Model to the module, and mass_matrix to its Chain (AddChainClasses first).
void AddModelClasses(pybind11::module_& module);

}  // namespace python
}  // namespace pendula
