// derivatives() of pendula.Chain and pendula.Model: the exact Jacobian of the dynamics.
#pragma once

#include <pybind11/pybind11.h>

#include "python/model_calls.h"

namespace pendula {
namespace python {

// Adds derivatives to the Model class and to the module's Chain.
void AddDerivativeCalls(pybind11::module_& module, ModelClass& model);

}  // namespace python
}  // namespace pendula
