#include "python/model_calls.h"

#include <pybind11/numpy.h>

#include <memory>
#include <vector>

#include "pendula/chain.h"
#include "pendula/model.h"
#include "python/model_arrays.h"
#include "python/py_chain.h"

namespace pendula {
namespace python {
namespace {

const double* Row(const ChainArray& states, py::ssize_t i, py::ssize_t size) {
  return states.data() + i * size;
}
double* MutableRow(ChainArray& states, py::ssize_t i, py::ssize_t size) {
  return states.mutable_data() + i * size;
}

ChainArray MassMatrixOf(PyModel& self, py::handle positionsObject) {
  const int n = self.jointCount();
  const ChainArray positions = ReadJointStates(positionsObject, "positions", n);
  ChainArray matrices = NewArrayWith(positions, {n});
  PyModel::Lease lease(self);
  const py::gil_scoped_release withoutGil;
  for (py::ssize_t i = 0; i < StateCount(positions); ++i) {
    MassMatrix(self.model(), lease.workspace(), Row(positions, i, n),
               MutableRow(matrices, i, py::ssize_t{n} * n));
  }
  return matrices;
}

ChainArray MomentaOf(PyModel& self, py::handle positionsObject, py::handle ratesObject) {
  const int n = self.jointCount();
  const ChainArray positions = ReadJointStates(positionsObject, "positions", n);
  const ChainArray rates = ReadJointStates(ratesObject, "rates", n);
  RequireSameShape(positions, "positions", rates, "rates");
  ChainArray momenta = NewChains(positions);
  PyModel::Lease lease(self);
  const py::gil_scoped_release withoutGil;
  for (py::ssize_t i = 0; i < StateCount(positions); ++i) {
    MomentumInitialisation(self.model(), lease.workspace(), MutableRow(momenta, i, n),
                           Row(positions, i, n), Row(rates, i, n));
  }
  return momenta;
}

py::tuple ForwardDynamicsOf(PyModel& self, py::handle momentaObject, py::handle positionsObject,
                            py::handle torquesObject) {
  const int n = self.jointCount();
  const ChainArray momenta = ReadJointStates(momentaObject, "momenta", n);
  const ChainArray positions = ReadJointStates(positionsObject, "positions", n);
  RequireSameShape(momenta, "momenta", positions, "positions");
  const TorqueArray torques = ReadJointTorques(torquesObject, self.model(), momenta);
  ChainArray momentumRates = NewChains(momenta), rates = NewChains(momenta);
  PyModel::Lease lease(self);
  {
    const py::gil_scoped_release withoutGil;
    for (py::ssize_t i = 0; i < StateCount(momenta); ++i) {
      ForwardDynamics(self.model(), lease.workspace(), Row(momenta, i, n), Row(positions, i, n),
                      MutableRow(momentumRates, i, n), MutableRow(rates, i, n),
                      TorquesOfRow(torques, i, n));
    }
  }
  return py::make_tuple(momentumRates, rates);
}

py::object EnergyOf(PyModel& self, py::handle momentaObject, py::handle positionsObject) {
  const int n = self.jointCount();
  const ChainArray momenta = ReadJointStates(momentaObject, "momenta", n);
  const ChainArray positions = ReadJointStates(positionsObject, "positions", n);
  RequireSameShape(momenta, "momenta", positions, "positions");
  py::array_t<double> energies(StateCount(momenta));
  double* energy = energies.mutable_data();
  {
    PyModel::Lease lease(self);
    const py::gil_scoped_release withoutGil;
    for (py::ssize_t i = 0; i < StateCount(momenta); ++i) {
      energy[i] = Energy(self.model(), lease.workspace(), Row(momenta, i, n), Row(positions, i, n));
    }
  }
  if (momenta.ndim() == 1) return py::float_(energy[0]);
  return std::move(energies);
}

ChainArray FrameOriginsOf(PyModel& self, py::handle positionsObject) {
  const int n = self.jointCount();
  const ChainArray positions = ReadJointStates(positionsObject, "positions", n);
  ChainArray origins = NewArrayWith(positions, {3});
  PyModel::Lease lease(self);
  const py::gil_scoped_release withoutGil;
  for (py::ssize_t i = 0; i < StateCount(positions); ++i) {
    FrameOrigins(self.model(), lease.workspace(), Row(positions, i, n),
                 MutableRow(origins, i, py::ssize_t{3} * n));
  }
  return origins;
}

// A(q) of a chain, column j being the momenta of unit rate at joint j alone: N momentum
// initialisations of O(N) each.
ChainArray ChainMassMatrixOf(PyChain& self, py::handle anglesObject) {
  const int n = self.chain().linkCount();
  const ChainArray angles = ReadStates(anglesObject, "angles", n);
  ChainArray matrices = NewArrayWith(angles, {n});
  std::vector<double> rates(n, 0.0), column(n);
  PyChain::Lease lease(self);
  const py::gil_scoped_release withoutGil;
  for (py::ssize_t i = 0; i < StateCount(angles); ++i) {
    double* matrix = MutableRow(matrices, i, py::ssize_t{n} * n);
    for (int j = 0; j < n; ++j) {
      rates[j] = 1.0;
      MomentumInitialisation(self.chain(), lease.workspace(), column.data(), Row(angles, i, n),
                             rates.data());
      rates[j] = 0.0;
      for (int k = 0; k < n; ++k) matrix[k * n + j] = column[k];
    }
  }
  return matrices;
}

}  // namespace

void AddModelCalls(py::module_& module, ModelClass& model) {
  model
      .def("mass_matrix", &MassMatrixOf, py::arg("positions"),
           R"(mass_matrix(positions) -> numpy.ndarray

The joint-space mass matrix A(q), symmetric positive definite, by composite rigid bodies:
shape (N, N) for positions of shape (N,), (n, N, N) for (n, N). p = A(q) q_dot.)")
      .def("momenta", &MomentaOf, py::arg("positions"), py::arg("rates"),
           R"(momenta(positions, rates) -> numpy.ndarray

Generalized momenta p = A(q) q_dot from joint positions and joint rates.

positions, rates: float array-likes of the same shape, (N,) or (n, N). Returns a new array.)")
      .def("forward_dynamics", &ForwardDynamicsOf, py::arg("momenta"), py::arg("positions"),
           py::arg("torques") = py::none(),
           R"(forward_dynamics(momenta, positions, torques=None) -> (momentum_rates, rates)

Time derivatives of a state, by an O(N) articulated-body recursion that never forms A(q).

rates = A(q)^-1 p; momentum_rates = -dH/dq plus the torques and each joint's damping -d q_dot.
momenta, positions: float array-likes of the same shape, (N,) or (n, N); torques None, (N,) or
(n, N). Returns two new arrays of that shape.)")
      .def("energy", &EnergyOf, py::arg("momenta"), py::arg("positions"),
           R"(energy(momenta, positions) -> float or numpy.ndarray

Total energy in joules: a float for one state (N,), an (n,) array for (n, N).

Kinetic energy 1/2 p . q_dot (q_dot from forward_dynamics) plus each body's weight at its
centre of mass, -m g . r, r measured from the base's origin.)")
      .def("frame_origins", &FrameOriginsOf, py::arg("positions"),
           R"(frame_origins(positions) -> numpy.ndarray

Where each joint frame's origin lies in base coordinates, metres: shape (N, 3) for positions of
shape (N,), (n, N, 3) for (n, N); row i is joint i's (x, y, z).)");
  auto chain =
      py::reinterpret_borrow<py::class_<PyChain, std::shared_ptr<PyChain>>>(module.attr("Chain"));
  chain.def("mass_matrix", &ChainMassMatrixOf, py::arg("angles"),
            R"(mass_matrix(angles) -> numpy.ndarray

The joint-space mass matrix A(q): shape (N, N) for angles of shape (N,), (n, N, N) for (n, N).

Column j is momenta(angles, e_j), the momenta of a unit rate at joint j alone: N momentum
initialisations of O(N) each, so O(N^2) for each state (symmetric to rounding).)");
}

}  // namespace python
}  // namespace pendula
