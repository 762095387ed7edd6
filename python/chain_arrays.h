// Chain states as NumPy arrays: float64, one chain as shape (20,), n chains as shape (n, 20),
// chain i in row i, joint k in column k - 1.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>

namespace pendula {
namespace python {

namespace py = pybind11;

// C-contiguous float64: the layout that chain i's 20 values are read from and written to.
using ChainArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

// An array that is only read: any float array-like, converted (copied) only when it is not
// already C-contiguous float64. TypeError when it cannot be converted, ValueError when its shape
// is neither (20,) nor (n, 20).
ChainArray ReadChains(py::handle object, const char* name);

// The shape of an array as Python writes it, "(3, 20)", and the name of an object's type, for
// messages.
std::string ShapeOf(const py::array& array);
std::string TypeNameOf(py::handle object);

// ValueError unless the two arrays have the same shape.
void RequireSameShape(const py::array& first, const char* firstName, const py::array& second,
                      const char* secondName);

// ValueError unless the two arrays share no memory: one chain's step must not overwrite what
// another step reads.
void RequireNoSharedMemory(const py::array& momenta, const py::array& angles);

// 1 for shape (20,), n for shape (n, 20).
py::ssize_t CountOfChains(const py::array& chains);

// A new array of the same shape, to be filled.
ChainArray NewChains(const ChainArray& like);

// An array that is updated in place, taken as it is and never copied: TypeError unless it is a
// numpy.ndarray of dtype float64 (native byte order), ValueError unless it has shape (20,) or
// (n, 20) and is C-contiguous, aligned and writeable.
py::array InPlaceChains(py::handle object, const char* name);

// ValueError unless both have the same shape and share no memory: one chain's step must not
// overwrite what another step reads.
void RequireSeparateChainSets(const py::array& momenta, const py::array& angles);

// Chain i's 20 values.
inline const double (&ChainOf(const ChainArray& chains, py::ssize_t i))[20] {
  return *reinterpret_cast<const double(*)[20]>(chains.data() + 20 * i);
}
inline double (&MutableChainOf(ChainArray& chains, py::ssize_t i))[20] {
  return *reinterpret_cast<double(*)[20]>(chains.mutable_data() + 20 * i);
}

}  // namespace python
}  // namespace pendula
