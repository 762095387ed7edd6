// States of a chain of N links as NumPy arrays: float64, one chain as shape (N,), n chains as
// shape (n, N), chain i in row i, joint k in column k - 1.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "python/chain_arrays.h"

namespace pendula {
namespace python {

// An array that is only read: any float array-like, copied only when it is not C-contiguous
// float64 already. TypeError when it does not convert, ValueError unless its shape is (N,) or
// (n, N).
ChainArray ReadStates(py::handle object, const char* name, int links);

// An array that is updated in place, never copied: TypeError unless a numpy.ndarray of dtype
// float64, ValueError unless of shape (N,) or (n, N), C-contiguous, aligned and writeable.
py::array InPlaceStates(py::handle object, const char* name, int links);

// Every value of states, float64 of shape (N,) or (n, N), finite, or ValueError naming the first
// that is not by its index, joint and (for (n, N)) chain: "torques[3] (joint 4) must be finite;
// got nan", "angles[2, 1] (chain 2, joint 2) must be finite; got inf".
void RequireFinite(const py::array& states, const char* name, int links);

// The joint torques of a call on `like`: None, (N,) for every chain, or (n, N) with like's n for
// one row per chain (only when like is (n, N)), every one finite (RequireFinite). Null `values`
// for None.
struct TorqueArray {
  ChainArray array;
  const double* values;
  bool perChain;
};
TorqueArray ReadTorques(py::handle object, int links, const py::array& like);

// Row i's torques (each row of n), or null for none.
inline const double* TorquesOfRow(const TorqueArray& torques, py::ssize_t i, int n) {
  return torques.perChain ? torques.values + i * n : torques.values;
}

// 1 for shape (N,), n for shape (n, N).
inline py::ssize_t StateCount(const py::array& states) {
  return states.ndim() == 1 ? 1 : states.shape(0);
}

}  // namespace python
}  // namespace pendula
