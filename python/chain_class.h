// pendula.Link and pendula.Chain: chains of any description, built at run time, on NumPy arrays.
#pragma once

#include <pybind11/pybind11.h>

namespace pendula {
namespace python {

// Adds Link and Chain to the module.
void AddChainClasses(pybind11::module_& module);

}  // namespace python
}  // namespace pendula
