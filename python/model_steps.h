// pendula.Model's steps by each method and its adaptive integration, which raise
// pendula.ConvergenceError as Chain's do.
#pragma once

#include <pybind11/pybind11.h>

#include "python/model_calls.h"

namespace pendula {
namespace python {

// Adds Model.step and Model.integrate (the module's ConvergenceError made already).
void AddModelSteps(ModelClass& model);

}  // namespace python
}  // namespace pendula
