// pendula.Chain's steps by each method and its adaptive integration, and the exception that a
// step or an integration that could not be made raises.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "python/py_chain.h"

namespace pendula {
namespace python {

// Adds Chain.step, Chain.integrate and pendula.ConvergenceError.
void AddChainSteps(pybind11::module_& module,
                   pybind11::class_<PyChain, std::shared_ptr<PyChain>>& chain);

}  // namespace python
}  // namespace pendula
