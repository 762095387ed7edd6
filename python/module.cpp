// The Python module pendula: the chain dynamics on NumPy arrays.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <climits>
#include <cstring>
#include <memory>

#include "dynamics/batch/chain_threads.h"
#include "pendula/program_chain.h"
#include "python/chain_arrays.h"
#include "python/chain_class.h"
#include "python/chain_energy.h"
#include "python/drive_arguments.h"
#include "python/model_class.h"
#include "python/py_chain.h"

namespace pendula {
namespace python {

namespace {

// The program's step size, s.
constexpr double StepSize = ProgramStepSize;

// The program's chain behind the module's functions, as Chain.program() gives it: made at import
// and kept for the life of the process. Each call leases a workspace of its own, as the methods
// of a Chain do, so calls on different threads run at the same time.
PyChain& ProgramChain() {
  static PyChain* const chain = new PyChain(Chain::Program());
  return *chain;
}

// sin x and cos x by the table's lookup rule, as the dynamics takes them.
double SineOf(double x) {
  return TableSine(x);
}
double CosineOf(double x) {
  return TableCosine(x);
}

// The torques of a call: τ on joint 1, nothing on the others.
struct DriveTorques {
  double values[ProgramLinkCount];
  explicit DriveTorques(double appliedTorque) : values{appliedTorque} {}
};

ChainArray MomentumInitialisationOf(py::handle anglesObject, py::handle ratesObject) {
  const ChainArray angles = ReadChains(anglesObject, "angles");
  const ChainArray rates = ReadChains(ratesObject, "rates");
  RequireSameShape(angles, "angles", rates, "rates");
  ChainArray momenta = NewChains(angles);
  PyChain::Lease lease(ProgramChain());
  for (py::ssize_t i = 0; i < CountOfChains(angles); ++i) {
    MomentumInitialisation(ProgramChain().chain(), lease.workspace(), MutableChainOf(momenta, i),
                           ChainOf(angles, i), ChainOf(rates, i));
  }
  return momenta;
}

py::tuple ForwardDynamicsOf(py::handle momentaObject, py::handle anglesObject,
                            py::handle frictionObject, py::handle torqueObject) {
  const double frictionCoefficient = FrictionArgument(frictionObject);
  const DriveTorques torques(TorqueArgument(torqueObject));
  const ChainArray momenta = ReadChains(momentaObject, "momenta");
  const ChainArray angles = ReadChains(anglesObject, "angles");
  RequireSameShape(momenta, "momenta", angles, "angles");
  ChainArray momentumRates = NewChains(momenta);
  ChainArray jointRates = NewChains(momenta);
  PyChain::Lease lease(ProgramChain());
  for (py::ssize_t i = 0; i < CountOfChains(momenta); ++i) {
    ForwardDynamics(ProgramChain().chain(), lease.workspace(), ChainOf(momenta, i),
                    ChainOf(angles, i), MutableChainOf(momentumRates, i),
                    MutableChainOf(jointRates, i), frictionCoefficient, torques.values);
  }
  return py::make_tuple(momentumRates, jointRates);
}

void StepChainsOf(py::handle momentaObject, py::handle anglesObject, py::handle frictionObject,
                  py::handle torqueObject, const py::object& threadsObject) {
  const int threads = ThreadsArgument(threadsObject);
  py::array momenta = InPlaceChains(momentaObject, "momenta");
  py::array angles = InPlaceChains(anglesObject, "angles");
  RequireSeparateChainSets(momenta, angles);
  const double frictionCoefficient = FrictionArgument(frictionObject);
  const DriveTorques torques(TorqueArgument(torqueObject));
  if (CountOfChains(momenta) > INT_MAX) {
    throw py::value_error("step_chains takes at most 2147483647 chains in one call");
  }
  const int chainCount = static_cast<int>(CountOfChains(momenta));
  auto* p = static_cast<double*>(momenta.mutable_data());
  auto* q = static_cast<double*>(angles.mutable_data());
  PyChain& program = ProgramChain();
  const JointTorques shared{torques.values, false};
  // One thread needs no threads of the chain's; asking for more makes them, once.
  const bool oneThread =
      threads == 1 || ThreadsForChainBatch(CoreCount(), program.chain(), chainCount,
                                           StepMethod::Heun, threads) == 1;
  const py::gil_scoped_release withoutGil;
  if (oneThread) {
    PyChain::Lease lease(program);
    StepChains(program.chain(), lease.workspace(), p, q, chainCount, StepSize, frictionCoefficient,
               shared);
  } else {
    PyChain::ThreadsLease lease(program);
    StepChains(program.chain(), lease.threads(), p, q, chainCount, StepSize, StepMethod::Heun,
               frictionCoefficient, shared, {}, threads);
  }
}

py::object EnergyOf(py::handle momentaObject, py::handle anglesObject) {
  const ChainArray momenta = ReadChains(momentaObject, "momenta");
  const ChainArray angles = ReadChains(anglesObject, "angles");
  RequireSameShape(momenta, "momenta", angles, "angles");
  const Chain& chain = ProgramChain().chain();
  PyChain::Lease lease(ProgramChain());
  if (momenta.ndim() == 1) {
    return py::float_(
        ChainEnergy(chain, lease.workspace(), ChainOf(momenta, 0), ChainOf(angles, 0)));
  }
  py::array_t<double> energies(momenta.shape(0));
  auto energy = energies.mutable_unchecked<1>();
  for (py::ssize_t i = 0; i < momenta.shape(0); ++i) {
    energy(i) = ChainEnergy(chain, lease.workspace(), ChainOf(momenta, i), ChainOf(angles, i));
  }
  return std::move(energies);
}

// The program's start-up state: its chains at rest, fanned out by joint 1.
py::tuple StartUpState() {
  ChainArray momenta({ProgramChainCount, ProgramLinkCount});
  ChainArray angles({ProgramChainCount, ProgramLinkCount});
  double* p = momenta.mutable_data();
  double* q = angles.mutable_data();
  const double rest[ProgramLinkCount] = {};
  PyChain::Lease lease(ProgramChain());
  for (int i = 0; i < ProgramChainCount; ++i) {
    double* qi = q + static_cast<std::ptrdiff_t>(i) * ProgramLinkCount;
    for (int k = 0; k < ProgramLinkCount; ++k) qi[k] = 0.0;
    qi[0] = ProgramStartAngleStep * i;
    MomentumInitialisation(ProgramChain().chain(), lease.workspace(),
                           p + static_cast<std::ptrdiff_t>(i) * ProgramLinkCount, qi, rest);
  }
  return py::make_tuple(momenta, angles);
}

}  // namespace

}  // namespace python
}  // namespace pendula

PYBIND11_MODULE(pendula, module) {
  namespace py = pybind11;
  using namespace pendula::python;
  module.doc() = R"(Planar chains of 20 links in Hamiltonian form: the O(n) articulated-body
dynamics and the Heun step of the pendula program, on NumPy arrays.

A chain's state is its 20 joint angles q (radians, joint k relative to link k-1, joint 1
relative to the fixed base, 0 pointing along +x) and the 20 generalized momenta p conjugate to
them. Arrays are float64, of shape (20,) for one chain or (n, 20) for n chains, chain i in row
i and joint k in column k-1. The model is set up at import with the step size STEP_SIZE; every
link is 1 m long with 1 kg at its middle, gravity is 9.80665 m/s^2 along -y, friction is a
torque -b q_dot on every joint and the applied torque drives joint 1.

Chains of any other description, 1 to 1000 links, twisted and shifted in 3-D, with their own
gravity, joint torques and step size: pendula.Link and pendula.Chain (help(pendula.Chain)).

Typical use:
    momenta, angles = pendula.start_up_state()
    for _ in range(1000):
        pendula.step_chains(momenta, angles, friction=5.0)
    print(pendula.energy(momenta, angles).sum())
)";
  // Each docstring opens with its own signature, in Python's terms rather than pybind11's.
  py::options options;
  options.disable_function_signatures();
  ProgramChain();
  module.attr("__version__") = PENDULA_VERSION;
  module.attr("STEP_SIZE") = StepSize;
  module.attr("LINKS") = pendula::ProgramLinkCount;
  module.attr("CHAINS") = pendula::ProgramChainCount;

  module.def("momentum_initialisation", &MomentumInitialisationOf, py::arg("angles"),
             py::arg("rates"),
             R"(momentum_initialisation(angles, rates) -> numpy.ndarray

Generalized momenta p = A(q) q_dot from joint angles and joint rates.

angles, rates: float array-likes of the same shape, (20,) or (n, 20).
Returns p as a new array of that shape.)");
  module.def("forward_dynamics", &ForwardDynamicsOf, py::arg("momenta"), py::arg("angles"),
             py::arg("friction") = pendula::ProgramFrictionCycle[0], py::arg("torque") = 0.0,
             R"(forward_dynamics(momenta, angles, friction=5.0, torque=0.0) -> tuple

Time derivatives of a state: (momentum_rates, joint_rates).

joint_rates = A(q)^-1 p; momentum_rates = -dH/dq plus the joint torques: friction
-friction * joint_rate on every joint (N m s/rad) and torque (N m) on joint 1.
momenta, angles: float array-likes of the same shape, (20,) or (n, 20).
friction: a real number, finite and >= 0; torque: a finite real number.
Returns two new arrays of that shape.)");
  module.def("step_chains", &StepChainsOf, py::arg("momenta"), py::arg("angles"),
             py::arg("friction") = pendula::ProgramFrictionCycle[0], py::arg("torque") = 0.0,
             py::arg("threads") = py::none(),
             R"(step_chains(momenta, angles, friction=5.0, torque=0.0, threads=None) -> None

One Heun step of STEP_SIZE seconds of every chain, in place, on up to `threads` threads.

Exactly what the program's step gives each chain, bit for bit. momenta and angles are updated
in place, so both must be numpy.ndarray of dtype float64, C-contiguous, aligned and writeable,
of the same shape, (20,) for one chain or (n, 20), and must not share memory. friction must be
a real number, finite and >= 0, and torque a finite real number. Anything else raises
TypeError or ValueError and nothing is copied or stepped. Chains are independent: a chain that
holds a NaN leaves the others untouched. The GIL is released while the chains are stepped.

threads=None uses every core for a large batch and one thread below 256 chains per
thread, where waking another costs more than it saves; an integer n >= 1 uses at most n
(and at most one per core). The result is the same bits for every thread count.)");
  module.def("energy", &EnergyOf, py::arg("momenta"), py::arg("angles"),
             R"(energy(momenta, angles) -> float or numpy.ndarray

Total energy in joules: a float for one chain (20,), an (n,) array for (n, 20).

Kinetic energy 1/2 p . q_dot (q_dot from forward_dynamics) plus the potential energy of each
link's 1 kg at its centre of mass in gravity, zero at the height of the base.)");
  module.def("sine_lookup", py::vectorize(SineOf), py::arg("x"),
             R"(sine_lookup(x) -> float or numpy.ndarray

sin(x) from the dynamics' table of 1,000,000 entries, as the dynamics takes it.

The angle is reduced by whole turns and the entry below it is taken (error below 6.3e-6);
a non-finite x, or one of 2^30 turns or more, gives NaN. x: a float or an array.)");
  module.def("cosine_lookup", py::vectorize(CosineOf), py::arg("x"),
             R"(cosine_lookup(x) -> float or numpy.ndarray

cos(x) from the dynamics' sine table: sine_lookup(pi/2 - x). x: a float or an array.)");
  module.def("start_up_state", &StartUpState,
             R"(start_up_state() -> (momenta, angles)

The 100 chains as the program starts, each array of shape (100, 20).

All chains at rest (momenta zero), every angle zero except joint 1 of chain i at 20 i radians.)");
  AddChainClasses(module);
  AddModelClasses(module);
}
