#include "python/chain_arrays.h"

#include <cstdint>
#include <string>
#include <vector>

#include "pendula/program_chain.h"

namespace pendula {
namespace python {

std::string ShapeOf(const py::array& array) {
  return py::repr(array.attr("shape")).cast<std::string>();
}

std::string TypeNameOf(py::handle object) {
  return py::type::handle_of(object).attr("__name__").cast<std::string>();
}

ChainArray ReadChains(py::handle object, const char* name) {
  ChainArray chains = ChainArray::ensure(object);
  if (!chains) {
    throw py::type_error(std::string(name) + " must be an array-like of floats; got " +
                         TypeNameOf(object) + " that does not convert to float64");
  }
  const bool oneChain = chains.ndim() == 1 && chains.shape(0) == ProgramLinkCount;
  const bool manyChains = chains.ndim() == 2 && chains.shape(1) == ProgramLinkCount;
  if (!oneChain && !manyChains) {
    throw py::value_error(std::string(name) + " must have shape (20,) or (n, 20); got " +
                          ShapeOf(chains));
  }
  return chains;
}

void RequireSameShape(const py::array& first, const char* firstName, const py::array& second,
                      const char* secondName) {
  if (ShapeOf(first) != ShapeOf(second)) {
    throw py::value_error(std::string(firstName) + " and " + secondName +
                          " must have the same shape; got " + ShapeOf(first) + " and " +
                          ShapeOf(second));
  }
}

py::ssize_t CountOfChains(const py::array& chains) {
  return chains.ndim() == 1 ? 1 : chains.shape(0);
}

ChainArray NewChains(const ChainArray& like) {
  return ChainArray(std::vector<py::ssize_t>(like.shape(), like.shape() + like.ndim()));
}

py::array InPlaceChains(py::handle object, const char* name) {
  const std::string expected =
      " (step_chains updates it in place, so it takes only a float64, C-contiguous, aligned, "
      "writeable numpy.ndarray of shape (20,) or (n, 20) and never a copy)";
  if (!py::isinstance<py::array>(object)) {
    throw py::type_error(std::string(name) + " must be a numpy.ndarray; got " + TypeNameOf(object) +
                         expected);
  }
  auto array = py::reinterpret_borrow<py::array>(object);
  if (!py::isinstance<py::array_t<double>>(object)) {
    throw py::type_error(std::string(name) + " must have dtype float64; got " +
                         py::str(array.dtype()).cast<std::string>() + expected);
  }
  const bool oneChain = array.ndim() == 1 && array.shape(0) == ProgramLinkCount;
  const bool manyChains = array.ndim() == 2 && array.shape(1) == ProgramLinkCount;
  if (!oneChain && !manyChains) {
    throw py::value_error(std::string(name) + " must have shape (20,) or (n, 20); got " +
                          ShapeOf(array) + expected);
  }
  if (!(array.flags() & py::array::c_style)) {
    throw py::value_error(std::string(name) + " must be C-contiguous" + expected);
  }
  if (!(array.flags() & py::detail::npy_api::NPY_ARRAY_ALIGNED_)) {
    throw py::value_error(std::string(name) + " must be aligned" + expected);
  }
  if (!array.writeable()) {
    throw py::value_error(std::string(name) + " must be writeable" + expected);
  }
  return array;
}

void RequireSeparateChainSets(const py::array& momenta, const py::array& angles) {
  if (ShapeOf(momenta) != ShapeOf(angles)) {
    throw py::value_error(
        "momenta and angles must hold the same number of chains, in the same "
        "shape; got " +
        ShapeOf(momenta) + " and " + ShapeOf(angles));
  }
  RequireNoSharedMemory(momenta, angles);
}

void RequireNoSharedMemory(const py::array& momenta, const py::array& angles) {
  const auto momentaBegin = reinterpret_cast<std::uintptr_t>(momenta.data());
  const auto anglesBegin = reinterpret_cast<std::uintptr_t>(angles.data());
  const auto bytes = static_cast<std::uintptr_t>(momenta.nbytes());
  if (bytes > 0 && momentaBegin < anglesBegin + bytes && anglesBegin < momentaBegin + bytes) {
    throw py::value_error("momenta and angles must not share memory");
  }
}

}  // namespace python
}  // namespace pendula
