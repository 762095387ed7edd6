#include "python/step_outcomes.h"

#include <stdexcept>

#include "python/chain_arrays.h"

namespace pendula {
namespace python {
namespace {

py::handle convergenceError;  // kept for the life of the interpreter

}  // namespace

StepMethod MethodArgument(py::handle object) {
  const char* expected = "method must be \"heun\", \"rk4\" or \"midpoint\"";
  if (!py::isinstance<py::str>(object)) {
    throw py::type_error(std::string(expected) + "; got " + TypeNameOf(object));
  }
  const std::string name = object.cast<std::string>();
  if (name == "heun") return StepMethod::Heun;
  if (name == "rk4") return StepMethod::Rk4;
  if (name == "midpoint") return StepMethod::Midpoint;
  throw py::value_error(std::string(expected) + "; got \"" + name + "\"");
}

void AddConvergenceError(py::module_& module) {
  convergenceError =
      py::exception<std::runtime_error>(module, "ConvergenceError", PyExc_RuntimeError);
  convergenceError.attr("__doc__") =
      "A midpoint step whose Newton solve did not converge, or an integration that could not "
      "cover its span. The message names the chains or states; they were left as they were "
      "before the step (an integration leaves them where it stopped). Its attributes: chains, "
      "the list of their indices (row i of an (n, N) batch is i, a single one of shape (N,) is "
      "0), and time, the list of the seconds that each of them had been advanced when it "
      "stopped (0.0 for a midpoint step, which leaves its state at the start).";
}

std::string RowList(const std::vector<int>& rows) {
  std::string list = std::to_string(rows[0]);
  const std::size_t shown = rows.size() < 10 ? rows.size() : 10;
  for (std::size_t i = 1; i < shown; ++i) list += ", " + std::to_string(rows[i]);
  if (rows.size() > shown) list += " and " + std::to_string(rows.size() - shown) + " more";
  return list;
}

void RaiseConvergenceError(const std::string& message, const std::vector<int>& rows,
                           const std::vector<double>& times) {
  py::list rowList, timeList;
  for (const int row : rows) rowList.append(row);
  for (const double time : times) timeList.append(time);
  py::object error = py::reinterpret_borrow<py::object>(convergenceError)(message);
  error.attr("chains") = rowList;
  error.attr("time") = timeList;
  PyErr_SetObject(convergenceError.ptr(), error.ptr());
  throw py::error_already_set();
}

}  // namespace python
}  // namespace pendula
