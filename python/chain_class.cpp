#include "python/chain_class.h"

#include <pybind11/numpy.h>

#include <climits>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "pendula/chain.h"
#include "python/chain_state_arrays.h"
#include "python/chain_steps.h"
#include "python/py_chain.h"

namespace pendula {
namespace python {
namespace {

double FloatOf(py::handle object, const std::string& name) {
  if (!py::isinstance<py::float_>(object) && !py::isinstance<py::int_>(object) &&
      !py::hasattr(object, "__float__")) {
    throw py::type_error(name + " must be a float; got " + TypeNameOf(object));
  }
  return py::float_(py::reinterpret_borrow<py::object>(object)).cast<double>();
}

// `count` floats from a sequence of floats, or TypeError / ValueError saying what was expected.
template <int count>
void FloatsOf(py::handle object, const std::string& name, const char* layout,
              double (&out)[count]) {
  const std::string expected = name + " must be " + std::to_string(count) + " floats " + layout;
  const auto array = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(object);
  if (!array) throw py::type_error(expected + "; got " + TypeNameOf(object));
  if (array.ndim() != 1 || array.shape(0) != count) {
    throw py::value_error(expected + "; got shape " +
                          py::repr(array.attr("shape")).cast<std::string>());
  }
  for (int i = 0; i < count; ++i) out[i] = array.data()[i];
}

template <int count>
py::tuple TupleOf(const double (&values)[count]) {
  py::tuple tuple(count);
  for (int i = 0; i < count; ++i) tuple[i] = values[i];
  return tuple;
}

std::string Repr(double x) {
  return py::repr(py::float_(x)).cast<std::string>();
}

std::string ReprOf(const Link& link) {
  std::ostringstream out;
  out << "pendula.Link(a=" << Repr(link.a) << ", d=" << Repr(link.d)
      << ", alpha=" << Repr(link.alpha) << ", mass=" << Repr(link.mass) << ", centre_of_mass=("
      << Repr(link.centreOfMass[0]) << ", " << Repr(link.centreOfMass[1]) << ", "
      << Repr(link.centreOfMass[2]) << "), inertia=(";
  for (int i = 0; i < 6; ++i) out << (i == 0 ? "" : ", ") << Repr(link.inertia[i]);
  return out.str() + "))";
}

Link MakeLink(py::handle a, py::handle d, py::handle alpha, py::handle mass,
              py::handle centreOfMass, py::handle inertia) {
  // Both default to None so that leaving one out is named here, not in pybind11's list of
  // every argument.
  if (mass.is_none()) throw py::type_error("pendula.Link() requires mass=, the link's mass in kg");
  if (inertia.is_none()) {
    throw py::type_error(
        "pendula.Link() requires inertia=, the rotational inertia (xx, xy, xz, yy, yz, zz) in "
        "kg m^2 about the link frame's origin");
  }
  Link link;
  link.a = FloatOf(a, "a");
  link.d = FloatOf(d, "d");
  link.alpha = FloatOf(alpha, "alpha");
  link.mass = FloatOf(mass, "mass");
  FloatsOf(centreOfMass, "centre_of_mass", "(x, y, z)", link.centreOfMass);
  FloatsOf(inertia, "inertia", "(xx, xy, xz, yy, yz, zz)", link.inertia);
  return link;
}

// A link's fields, (a, d, alpha, mass, centre_of_mass, inertia): what it is pickled as, and
// what its equality and hash compare.
py::tuple StateOf(const Link& link) {
  return py::make_tuple(link.a, link.d, link.alpha, link.mass, TupleOf(link.centreOfMass),
                        TupleOf(link.inertia));
}

Link LinkOfState(const py::tuple& state) {
  if (state.size() != 6) {
    throw py::value_error("a pickled pendula.Link holds 6 fields; got " +
                          std::to_string(state.size()));
  }
  return MakeLink(state[0], state[1], state[2], state[3], state[4], state[5]);
}

std::shared_ptr<PyChain> MakeChain(py::handle linksObject, py::handle gravityObject,
                                   py::handle trigonometryObject) {
  if (!py::isinstance<py::sequence>(linksObject) || py::isinstance<py::str>(linksObject)) {
    throw py::type_error("links must be a sequence of pendula.Link; got " +
                         TypeNameOf(linksObject));
  }
  ChainDescription description;
  const auto links = py::reinterpret_borrow<py::sequence>(linksObject);
  for (std::size_t i = 0; i < links.size(); ++i) {
    const py::object item = links[i];
    if (!py::isinstance<Link>(item)) {
      throw py::type_error("links[" + std::to_string(i) + "] must be a pendula.Link; got " +
                           TypeNameOf(item));
    }
    description.links.push_back(item.cast<Link>());
  }
  FloatsOf(gravityObject, "gravity", "(x, y, z) in m/s^2", description.gravity);
  if (!py::isinstance<py::str>(trigonometryObject)) {
    throw py::type_error("trigonometry must be \"table\" or \"exact\"; got " +
                         TypeNameOf(trigonometryObject));
  }
  const std::string trigonometry = trigonometryObject.cast<std::string>();
  if (trigonometry != "table" && trigonometry != "exact") {
    throw py::value_error("trigonometry must be \"table\" or \"exact\"; got \"" + trigonometry +
                          "\"");
  }
  description.trigonometry = trigonometry == "table" ? Trigonometry::Table : Trigonometry::Exact;
  return std::make_shared<PyChain>(Chain(description));
}

// A chain's description, (links, gravity, trigonometry), as Chain(*state) takes it: what it is
// pickled as, and what its equality and hash compare.
py::tuple StateOf(const PyChain& self) {
  const ChainDescription& description = self.chain().description();
  py::tuple links(description.links.size());
  for (std::size_t i = 0; i < description.links.size(); ++i) {
    links[i] = py::cast(description.links[i]);
  }
  return py::make_tuple(links, TupleOf(description.gravity),
                        description.trigonometry == Trigonometry::Table ? "table" : "exact");
}

std::shared_ptr<PyChain> ChainOfState(const py::tuple& state) {
  if (state.size() != 3) {
    throw py::value_error("a pickled pendula.Chain holds 3 fields; got " +
                          std::to_string(state.size()));
  }
  return MakeChain(state[0], state[1], state[2]);
}

// self == other by their states, as a tuple compares; NotImplemented for another type, so that
// Python falls back to its own answer.
template <typename T>
py::object Equal(const T& self, py::handle other) {
  if (!py::isinstance<T>(other)) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
  return py::bool_(StateOf(self).equal(StateOf(other.cast<const T&>())));
}

const double* Row(const ChainArray& states, py::ssize_t i, int links) {
  return states.data() + i * links;
}
double* MutableRow(ChainArray& states, py::ssize_t i, int links) {
  return states.mutable_data() + i * links;
}

ChainArray Momenta(PyChain& self, py::handle anglesObject, py::handle ratesObject) {
  const int n = self.chain().linkCount();
  const ChainArray angles = ReadStates(anglesObject, "angles", n);
  const ChainArray rates = ReadStates(ratesObject, "rates", n);
  RequireSameShape(angles, "angles", rates, "rates");
  ChainArray momenta = NewChains(angles);
  PyChain::Lease lease(self);
  const py::gil_scoped_release withoutGil;
  for (py::ssize_t i = 0; i < StateCount(angles); ++i) {
    MomentumInitialisation(self.chain(), lease.workspace(), MutableRow(momenta, i, n),
                           Row(angles, i, n), Row(rates, i, n));
  }
  return momenta;
}

py::tuple ForwardDynamicsOf(PyChain& self, py::handle momentaObject, py::handle anglesObject,
                            double friction, py::handle torquesObject) {
  const int n = self.chain().linkCount();
  const ChainArray momenta = ReadStates(momentaObject, "momenta", n);
  const ChainArray angles = ReadStates(anglesObject, "angles", n);
  RequireSameShape(momenta, "momenta", angles, "angles");
  const TorqueArray torques = ReadTorques(torquesObject, n, momenta);
  ChainArray momentumRates = NewChains(momenta), jointRates = NewChains(momenta);
  PyChain::Lease lease(self);
  {
    const py::gil_scoped_release withoutGil;
    for (py::ssize_t i = 0; i < StateCount(momenta); ++i) {
      const double* tau = torques.perChain ? torques.values + i * n : torques.values;
      ForwardDynamics(self.chain(), lease.workspace(), Row(momenta, i, n), Row(angles, i, n),
                      MutableRow(momentumRates, i, n), MutableRow(jointRates, i, n), friction, tau);
    }
  }
  return py::make_tuple(momentumRates, jointRates);
}

py::object EnergyOf(PyChain& self, py::handle momentaObject, py::handle anglesObject) {
  const int n = self.chain().linkCount();
  const ChainArray momenta = ReadStates(momentaObject, "momenta", n);
  const ChainArray angles = ReadStates(anglesObject, "angles", n);
  RequireSameShape(momenta, "momenta", angles, "angles");
  PyChain::Lease lease(self);
  if (momenta.ndim() == 1) {
    return py::float_(Energy(self.chain(), lease.workspace(), momenta.data(), angles.data()));
  }
  py::array_t<double> energies(momenta.shape(0));
  double* energy = energies.mutable_data();
  {
    const py::gil_scoped_release withoutGil;
    for (py::ssize_t i = 0; i < momenta.shape(0); ++i) {
      energy[i] = Energy(self.chain(), lease.workspace(), Row(momenta, i, n), Row(angles, i, n));
    }
  }
  return std::move(energies);
}

py::array_t<double> FrameOriginsOf(PyChain& self, py::handle anglesObject) {
  const int n = self.chain().linkCount();
  const ChainArray angles = ReadStates(anglesObject, "angles", n);
  std::vector<py::ssize_t> shape(angles.shape(), angles.shape() + angles.ndim());
  shape.push_back(3);
  py::array_t<double> origins(shape);
  double* out = origins.mutable_data();
  {
    const py::gil_scoped_release withoutGil;
    for (py::ssize_t i = 0; i < StateCount(angles); ++i) {
      FrameOrigins(self.chain(), Row(angles, i, n), out + 3 * static_cast<py::ssize_t>(n) * i);
    }
  }
  return origins;
}

}  // namespace

void AddChainClasses(py::module_& module) {
  py::class_<Link>(
      module, "Link",
      R"(Link(*, a=0.0, d=0.0, alpha=0.0, mass, centre_of_mass=(0.0, 0.0, 0.0), inertia)

One link of a chain: a rigid body on a revolute joint about its own z axis.

Its frame lies in its parent's (the previous link's, or the base's) turned by the twist alpha
(radians) about the parent's x axis, shifted by (a, 0, -d) metres in that twisted frame, then
turned by the joint angle about the new z axis, which is the joint axis. mass in kg;
centre_of_mass (x, y, z) in link coordinates, metres; inertia (xx, xy, xz, yy, yz, zz), the
rotational inertia in kg m^2 about the link frame's origin (not about the centre of mass).
mass and inertia are required. The values are checked when a Chain is built from the link. A
Link is read-only; links with the same fields are equal, and a Link pickles.)")
      .def(py::init(&MakeLink), py::kw_only(), py::arg("a") = 0.0, py::arg("d") = 0.0,
           py::arg("alpha") = 0.0, py::arg("mass") = py::none(),
           py::arg("centre_of_mass") = py::make_tuple(0.0, 0.0, 0.0),
           py::arg("inertia") = py::none())
      .def_property_readonly(
          "a", [](const Link& l) { return l.a; }, "Offset along the twisted parent x axis, m.")
      .def_property_readonly(
          "d", [](const Link& l) { return l.d; },
          "Offset along the twisted parent z axis, m (entering as -d).")
      .def_property_readonly(
          "alpha", [](const Link& l) { return l.alpha; }, "Twist about the parent's x axis, rad.")
      .def_property_readonly(
          "mass", [](const Link& l) { return l.mass; }, "Mass, kg.")
      .def_property_readonly(
          "centre_of_mass", [](const Link& l) { return TupleOf(l.centreOfMass); },
          "Centre of mass (x, y, z) in link coordinates, m.")
      .def_property_readonly(
          "inertia", [](const Link& l) { return TupleOf(l.inertia); },
          "Rotational inertia about the link origin (xx, xy, xz, yy, yz, zz), kg m^2.")
      .def("__repr__", &ReprOf)
      .def("__eq__", &Equal<Link>)
      .def("__hash__", [](const Link& l) { return py::hash(StateOf(l)); })
      .def(py::pickle([](const Link& l) { return StateOf(l); }, &LinkOfState));

  py::class_<PyChain, std::shared_ptr<PyChain>> chain(
      module, "Chain", R"(Chain(links, gravity=(0.0, -9.80665, 0.0), trigonometry="table")

A serial chain of 1 to 1000 links on a fixed base, built into a model once and read-only after.

links: a sequence of pendula.Link, from the base out; joint k turns link k relative to link
k-1 (joint 1 relative to the base). gravity: (x, y, z) in base coordinates, m/s^2.
trigonometry: "table" for the program's sine table of 1,000,000 entries (the entry below the
angle, error below 6.3e-6), "exact" for exact sines (smooth, within an ulp).
Building it checks the description: ValueError naming links[i] and the field for a count
outside 1..1000, a value that is not finite, a mass <= 0, or an inertia whose part about the
centre of mass is not positive definite or has principal moments that break the triangle
inequality; TypeError for what is not a Link or a float. Chains of the same description are
equal; a Chain pickles as its description, and unpickling builds it anew.

A chain's state is its N joint angles (radians, never wrapped) and the N generalized momenta
conjugate to them. Arrays are float64 of shape (N,) for one chain or (n, N) for n chains,
joint k in column k-1. friction is the viscous coefficient b >= 0: the torque -b q_dot_k on
link k about its joint axis, as in the program. torques: None, (N,) for every chain or (n, N)
one row per chain; the torque of joint k acts on link k and, as the reaction, on link k-1, so
it is joint k's generalized force. Every torque must be finite: ValueError names the first that
is not, e.g. "torques[2, 3] (chain 2, joint 4) must be finite; got nan", and nothing is
computed or stepped. Calls on different threads run at the same time; step releases the GIL.)");
  chain
      .def(py::init(&MakeChain), py::arg("links"),
           py::arg("gravity") = py::make_tuple(0.0, -9.80665, 0.0),
           py::arg("trigonometry") = "table")
      .def_static(
          "program", [] { return std::make_shared<PyChain>(Chain::Program()); },
          R"(program() -> Chain

The program's chain: 20 links of 1 m and 1 kg in the base xy plane (a=1, centre of mass
(0.5, 0, 0), inertia (0.01, 0, 0, 0.33, 0, 0.33) about the joint), gravity 9.80665 m/s^2
along -y, the sine table. With h = 0.012, friction b and torques (tau, 0, ..., 0) every call
gives bit for bit what the module's forward_dynamics and step_chains give.)")
      .def_property_readonly(
          "link_count", [](const PyChain& c) { return c.chain().linkCount(); },
          "The number of links N.")
      .def_property_readonly(
          "links", [](const PyChain& c) -> py::object { return StateOf(c)[0]; },
          "The links, a tuple of pendula.Link from the base out.")
      .def_property_readonly(
          "gravity", [](const PyChain& c) { return TupleOf(c.chain().description().gravity); },
          "Gravity (x, y, z) in base coordinates, m/s^2.")
      .def_property_readonly(
          "trigonometry",
          [](const PyChain& c) {
            return c.chain().description().trigonometry == Trigonometry::Table ? "table" : "exact";
          },
          "\"table\" or \"exact\".")
      .def_property_readonly(
          "in_plane", [](const PyChain& c) { return c.chain().inPlane(); },
          "Whether the chain moves in the base xy plane (no twist, no offset d, no out-of-plane "
          "centre of mass, inertia or gravity).")
      .def_property_readonly(
          "batch_width", [](const PyChain& c) { return c.chain().batchWidth(); },
          "How many chains step goes through side by side: the CPU's widest lanes (2, 4 or 8) "
          "for an in-plane chain, 1 for any other.")
      .def("__repr__",
           [](const PyChain& c) {
             return "<pendula.Chain of " + std::to_string(c.chain().linkCount()) + " links, " +
                    (c.chain().description().trigonometry == Trigonometry::Table ? "table"
                                                                                 : "exact") +
                    " trigonometry>";
           })
      .def("__eq__", &Equal<PyChain>,
           "Whether two chains have the same description: links, gravity and trigonometry.")
      .def("__hash__", [](const PyChain& c) { return py::hash(StateOf(c)); })
      .def(py::pickle([](const PyChain& c) { return StateOf(c); }, &ChainOfState))
      .def("momenta", &Momenta, py::arg("angles"), py::arg("rates"),
           R"(momenta(angles, rates) -> numpy.ndarray

Generalized momenta p = A(q) q_dot from joint angles and joint rates (rad/s).

angles, rates: float array-likes of the same shape, (N,) or (n, N). Returns a new array.)")
      .def(
          "forward_dynamics", &ForwardDynamicsOf, py::arg("momenta"), py::arg("angles"),
          py::arg("friction") = 0.0, py::arg("torques") = py::none(),
          R"(forward_dynamics(momenta, angles, friction=0.0, torques=None) -> (momentum_rates, joint_rates)

Time derivatives of a state, by an O(N) articulated-body recursion.

joint_rates = A(q)^-1 p; momentum_rates = -dH/dq plus the joint torques and friction.
momenta, angles: float array-likes of the same shape, (N,) or (n, N); torques None, (N,) or
(n, N). Returns two new arrays of that shape.)")
      .def("energy", &EnergyOf, py::arg("momenta"), py::arg("angles"),
           R"(energy(momenta, angles) -> float or numpy.ndarray

Total energy in joules: a float for one chain (N,), an (n,) array for (n, N).

Kinetic energy 1/2 p . q_dot (q_dot from forward_dynamics) plus each link's weight at its
centre of mass, -m g . r, r measured from the base's origin.)")
      .def("frame_origins", &FrameOriginsOf, py::arg("angles"),
           R"(frame_origins(angles) -> numpy.ndarray

Where each link frame's origin lies in base coordinates, metres: shape (N, 3) for angles of
shape (N,), (n, N, 3) for (n, N); row k is link k+1's (x, y, z).)");
  AddChainSteps(module, chain);
}

}  // namespace python
}  // namespace pendula
