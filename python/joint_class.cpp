#include "python/joint_class.h"

#include <climits>
#include <sstream>
#include <string>

#include "pendula/model.h"
#include "python/model_arguments.h"

namespace pendula {
namespace python {
namespace {

// The arguments without a default default to None so that leaving one out is named here, not
// in pybind11's list of every argument.
constexpr const char* NameRequired = "pendula.Joint() requires name, the joint's name (a str)";
constexpr const char* ParentRequired =
    "pendula.Joint() requires parent, the index of an earlier joint or -1 for the base";
constexpr const char* MassRequired =
    "pendula.Joint() requires mass=, the body's mass in kg (0 for a massless body)";
constexpr const char* InertiaRequired =
    "pendula.Joint() requires inertia=, the rotational inertia (xx, xy, xz, yy, yz, zz) in kg m^2 "
    "about the centre of mass, in the body's axes (zeros for a massless body)";

int ParentArgument(py::handle object) {
  if (object.is_none()) throw py::type_error(ParentRequired);
  if (!py::isinstance<py::int_>(object) || py::isinstance<py::bool_>(object)) {
    throw py::type_error(
        "parent must be an int, the index of an earlier joint or -1 for the base; got " +
        TypeNameOf(object));
  }
  int overflow = 0;
  const long long parent = PyLong_AsLongLongAndOverflow(object.ptr(), &overflow);
  if (overflow != 0 || parent < -1 || parent > INT_MAX) {
    throw py::value_error("parent must be the index of an earlier joint or -1 for the base; got " +
                          py::repr(object).cast<std::string>());
  }
  return static_cast<int>(parent);
}

JointKind KindArgument(py::handle object) {
  const char* expected = "kind must be \"revolute\" or \"prismatic\"";
  if (!py::isinstance<py::str>(object)) {
    throw py::type_error(std::string(expected) + "; got " + TypeNameOf(object));
  }
  const std::string kind = object.cast<std::string>();
  if (kind == "revolute") return JointKind::Revolute;
  if (kind == "prismatic") return JointKind::Prismatic;
  throw py::value_error(std::string(expected) + "; got \"" + kind + "\"");
}

const char* KindName(JointKind kind) {
  return kind == JointKind::Revolute ? "revolute" : "prismatic";
}

Joint MakeJoint(py::handle name, py::handle parent, py::handle kind, py::handle axis,
                py::handle xyz, py::handle rpy, py::handle mass, py::handle centreOfMass,
                py::handle inertia, py::handle damping) {
  Joint joint;
  if (name.is_none()) throw py::type_error(NameRequired);
  if (!py::isinstance<py::str>(name)) {
    throw py::type_error("name must be a str; got " + TypeNameOf(name));
  }
  joint.name = name.cast<std::string>();
  joint.parent = ParentArgument(parent);
  joint.kind = KindArgument(kind);
  FloatsArgument(axis, "axis", "(x, y, z)", 3, joint.axis);
  FloatsArgument(xyz, "xyz", "(x, y, z) in metres", 3, joint.xyz);
  FloatsArgument(rpy, "rpy", "(roll, pitch, yaw) in radians", 3, joint.rpy);
  if (mass.is_none()) throw py::type_error(MassRequired);
  joint.mass = FloatArgument(mass, "mass");
  FloatsArgument(centreOfMass, "centre_of_mass", "(x, y, z) in metres", 3, joint.centreOfMass);
  if (inertia.is_none()) throw py::type_error(InertiaRequired);
  FloatsArgument(inertia, "inertia", "(xx, xy, xz, yy, yz, zz)", 6, joint.inertia);
  joint.damping = FloatArgument(damping, "damping");
  return joint;
}

std::string Triple(const double* v) {
  return "(" + ReprOf(v[0]) + ", " + ReprOf(v[1]) + ", " + ReprOf(v[2]) + ")";
}

std::string ReprOfJoint(const Joint& j) {
  std::ostringstream out;
  out << "pendula.Joint(" << py::repr(py::str(j.name)).cast<std::string>() << ", " << j.parent
      << ", kind=" << py::repr(py::str(KindName(j.kind))).cast<std::string>()
      << ", axis=" << Triple(j.axis) << ", xyz=" << Triple(j.xyz) << ", rpy=" << Triple(j.rpy)
      << ", mass=" << ReprOf(j.mass) << ", centre_of_mass=" << Triple(j.centreOfMass)
      << ", inertia=(";
  for (int i = 0; i < 6; ++i) out << (i == 0 ? "" : ", ") << ReprOf(j.inertia[i]);
  out << "), damping=" << ReprOf(j.damping) << ")";
  return out.str();
}

// A joint's fields, in the constructor's order: what it is pickled as, and what its equality and
// hash compare.
py::tuple StateOf(const Joint& j) {
  return py::make_tuple(j.name, j.parent, KindName(j.kind), TupleOf(j.axis, 3), TupleOf(j.xyz, 3),
                        TupleOf(j.rpy, 3), j.mass, TupleOf(j.centreOfMass, 3),
                        TupleOf(j.inertia, 6), j.damping);
}

Joint JointOfState(const py::tuple& s) {
  if (s.size() != 10) {
    throw py::value_error("a pickled pendula.Joint holds 10 fields; got " +
                          std::to_string(s.size()));
  }
  return MakeJoint(s[0], s[1], s[2], s[3], s[4], s[5], s[6], s[7], s[8], s[9]);
}

}  // namespace

void AddJointClass(py::module_& module) {
  const py::tuple origin = py::make_tuple(0.0, 0.0, 0.0);
  py::class_<Joint>(
      module, "Joint",
      R"(Joint(name, parent, *, kind="revolute", axis=(0.0, 0.0, 1.0), xyz=(0.0, 0.0, 0.0), rpy=(0.0, 0.0, 0.0), mass, centre_of_mass=(0.0, 0.0, 0.0), inertia, damping=0.0)

One joint of a tree and the body it moves, placed as a URDF <joint> places its child link.

name: a str. parent: the index of an earlier joint in the Model's list, or -1 for the fixed
base. The joint's frame lies in the parent body's frame shifted by xyz (metres), then turned by
rpy (roll, pitch, yaw: radians about the fixed x, y and z axes, R = Rz(yaw) Ry(pitch) Rx(roll)).
kind "revolute" turns the body about axis (in the joint's frame, which is the body's) by the
joint position in radians; "prismatic" slides it along axis by the position in metres. The
body: mass in kg; centre_of_mass (x, y, z) in the body's frame, metres; inertia (xx, xy, xz, yy,
yz, zz) in kg m^2 about the centre of mass, in the body's axes (a massless body has mass and
inertia zero). damping d >= 0: the generalized force -d q_dot at the joint.
name, parent, mass and inertia are required. The values are checked when a Model is built from
the joint. A Joint is read-only; joints with the same fields are equal (and hash alike), and a
Joint pickles.)")
      .def(py::init(&MakeJoint), py::arg("name") = py::none(), py::arg("parent") = py::none(),
           py::kw_only(), py::arg("kind") = "revolute",
           py::arg("axis") = py::make_tuple(0.0, 0.0, 1.0), py::arg("xyz") = origin,
           py::arg("rpy") = origin, py::arg("mass") = py::none(),
           py::arg("centre_of_mass") = origin, py::arg("inertia") = py::none(),
           py::arg("damping") = 0.0)
      .def_property_readonly(
          "name", [](const Joint& j) { return j.name; }, "The joint's name.")
      .def_property_readonly(
          "parent", [](const Joint& j) { return j.parent; },
          "The index of the parent joint, -1 for the base.")
      .def_property_readonly(
          "kind", [](const Joint& j) { return KindName(j.kind); }, "\"revolute\" or \"prismatic\".")
      .def_property_readonly(
          "axis", [](const Joint& j) { return TupleOf(j.axis, 3); },
          "The axis (x, y, z) in the joint's frame.")
      .def_property_readonly(
          "xyz", [](const Joint& j) { return TupleOf(j.xyz, 3); },
          "The joint frame's origin in the parent body's frame, m.")
      .def_property_readonly(
          "rpy", [](const Joint& j) { return TupleOf(j.rpy, 3); },
          "The joint frame's roll, pitch and yaw in the parent body's frame, rad.")
      .def_property_readonly(
          "mass", [](const Joint& j) { return j.mass; }, "The body's mass, kg.")
      .def_property_readonly(
          "centre_of_mass", [](const Joint& j) { return TupleOf(j.centreOfMass, 3); },
          "The body's centre of mass (x, y, z) in its frame, m.")
      .def_property_readonly(
          "inertia", [](const Joint& j) { return TupleOf(j.inertia, 6); },
          "The body's rotational inertia about its centre of mass (xx, xy, xz, yy, yz, zz), "
          "kg m^2.")
      .def_property_readonly(
          "damping", [](const Joint& j) { return j.damping; },
          "The joint's viscous damping d, the generalized force -d q_dot.")
      .def("__repr__", &ReprOfJoint)
      .def("__eq__",
           [](const Joint& self, py::handle other) -> py::object {
             if (!py::isinstance<Joint>(other)) {
               return py::reinterpret_borrow<py::object>(Py_NotImplemented);
             }
             return py::bool_(StateOf(self).equal(StateOf(other.cast<const Joint&>())));
           })
      .def("__hash__", [](const Joint& j) { return py::hash(StateOf(j)); })
      .def(py::pickle(&StateOf, &JointOfState));
}

}  // namespace python
}  // namespace pendula
