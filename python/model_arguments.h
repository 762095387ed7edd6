// The arguments that describe a joint or a model (floats, triples, the trigonometry), read from
// Python or given back to it. TypeError or ValueError, naming the argument and saying what it
// takes, for anything else.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>

#include "pendula/chain.h"
#include "python/chain_arrays.h"

namespace pendula {
namespace python {

// A real number: int, float or anything with __float__ (a NumPy scalar); never a str.
double FloatArgument(py::handle object, const std::string& name);

// `count` floats from any sequence or array-like of that many; layout says what they are, for
// the message ("(x, y, z)").
void FloatsArgument(py::handle object, const std::string& name, const char* layout, int count,
                    double* out);

// "table" or "exact".
Trigonometry TrigonometryArgument(py::handle object);
const char* TrigonometryName(Trigonometry trigonometry);

// The description's values as Python gives them back: a tuple of floats, and a float's repr.
py::tuple TupleOf(const double* values, int count);
std::string ReprOf(double x);

}  // namespace python
}  // namespace pendula
