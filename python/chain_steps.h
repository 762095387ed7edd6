// pendula.Chain's steps by each method and its adaptive integration, and the exception that a
// step or an integration that could not be made raises.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <vector>

#include "python/py_chain.h"

namespace pendula {
namespace python {

// What integrate returns for the statistics of each state: {"steps", "rejected",
// "evaluations"}, ints for one state (oneState) or (n,) arrays for n.
pybind11::dict IntegrationResult(const std::vector<IntegrationStatistics>& statistics,
                                 bool oneState);

// Adds Chain.step, Chain.integrate and pendula.ConvergenceError.
void AddChainSteps(pybind11::module_& module,
                   pybind11::class_<PyChain, std::shared_ptr<PyChain>>& chain);

}  // namespace python
}  // namespace pendula
