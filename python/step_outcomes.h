// What the steps of Chain and Model share: the method argument, and pendula.ConvergenceError,
// raised naming the rows of a batch that a step or an integration could not advance.
#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "pendula/chain.h"

namespace pendula {
namespace python {

namespace py = pybind11;

// "heun", "rk4" or "midpoint": TypeError for anything but a str, ValueError for another name.
StepMethod MethodArgument(py::handle object);

// Defines pendula.ConvergenceError in the module; once, before any step can raise it.
void AddConvergenceError(py::module_& module);

// "3, 5, 8": the first ten rows, then "and k more".
std::string RowList(const std::vector<int>& rows);

// Raises pendula.ConvergenceError with the message and its attributes: chains, the rows it
// names, and time, the seconds of the call's span each had been advanced when it stopped.
[[noreturn]] void RaiseConvergenceError(const std::string& message, const std::vector<int>& rows,
                                        const std::vector<double>& times);

}  // namespace python
}  // namespace pendula
