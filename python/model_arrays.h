// States of a model of N joints as NumPy arrays: float64, one state as shape (N,), n states as
// shape (n, N), state i in row i, joint i in column i. Arrays updated in place are those of
// InPlaceStates (chain_state_arrays.h).
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <initializer_list>

#include "pendula/model.h"
#include "python/chain_arrays.h"
#include "python/chain_state_arrays.h"

namespace pendula {
namespace python {

// An array that is only read: any float array-like, copied only when it is not C-contiguous
// float64 already. TypeError when it does not convert, ValueError unless its shape is (N,) or
// (n, N).
ChainArray ReadJointStates(py::handle object, const char* name, int joints);

// Every value of states, float64 of shape (N,) or (n, N), finite, or ValueError naming the first
// that is not by its index, joint (by name) and, for (n, N), state: "torques[3] (joint elbow)
// must be finite; got nan", "positions[2, 1] (state 2, joint shoulder) must be finite; got inf".
void RequireFiniteJoints(const py::array& states, const char* name, const Model& model);

// The joint torques of a call on `like`: None, (N,) for every state, or (n, N) with like's n for
// one row per state (only when like is (n, N)), every one finite (RequireFiniteJoints), checked
// for the whole batch before anything is computed.
TorqueArray ReadJointTorques(py::handle object, const Model& model, const py::array& like);

// A new array of like's shape with `trailing` appended: (n, N) and {N} give (n, N, N).
ChainArray NewArrayWith(const py::array& like, std::initializer_list<py::ssize_t> trailing);

}  // namespace python
}  // namespace pendula
