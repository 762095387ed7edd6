// pendula.Model's calls on states (mass matrix, momenta, forward dynamics, energy, frame
// origins), and Chain.mass_matrix.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>

#include "python/py_model.h"

namespace pendula {
namespace python {

using ModelClass = pybind11::class_<PyModel, std::shared_ptr<PyModel>>;

// Adds them to the Model class, and mass_matrix to the module's Chain.
void AddModelCalls(pybind11::module_& module, ModelClass& model);

}  // namespace python
}  // namespace pendula
