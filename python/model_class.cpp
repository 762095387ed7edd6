#include "python/model_class.h"

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "pendula/model.h"
#include "python/derivative_calls.h"
#include "python/joint_class.h"
#include "python/model_arguments.h"
#include "python/model_calls.h"
#include "python/model_steps.h"
#include "python/py_model.h"

namespace pendula {
namespace python {
namespace {

std::shared_ptr<PyModel> MakeModel(py::handle jointsObject, py::handle gravityObject,
                                   py::handle trigonometryObject, const std::string& name) {
  if (!py::isinstance<py::sequence>(jointsObject) || py::isinstance<py::str>(jointsObject)) {
    throw py::type_error("joints must be a sequence of pendula.Joint; got " +
                         TypeNameOf(jointsObject));
  }
  ModelDescription description;
  description.name = name;
  const auto joints = py::reinterpret_borrow<py::sequence>(jointsObject);
  for (std::size_t i = 0; i < joints.size(); ++i) {
    const py::object item = joints[i];
    if (!py::isinstance<Joint>(item)) {
      throw py::type_error("joints[" + std::to_string(i) + "] must be a pendula.Joint; got " +
                           TypeNameOf(item));
    }
    description.joints.push_back(item.cast<Joint>());
  }
  FloatsArgument(gravityObject, "gravity", "(x, y, z) in m/s^2", 3, description.gravity);
  description.trigonometry = TrigonometryArgument(trigonometryObject);
  return std::make_shared<PyModel>(Model(description));
}

// The file system's bytes of a str, bytes or os.PathLike, as open() takes them.
std::string PathArgument(py::handle object) {
  if (!py::isinstance<py::str>(object) && !py::isinstance<py::bytes>(object) &&
      !py::hasattr(object, "__fspath__")) {
    throw py::type_error("path must be a str or an os.PathLike; got " + TypeNameOf(object));
  }
  return py::module_::import("os").attr("fsencode")(object).cast<std::string>();
}

std::shared_ptr<PyModel> FromUrdf(py::handle pathObject, py::handle gravityObject,
                                  py::handle trigonometryObject) {
  const std::string path = PathArgument(pathObject);
  double gravity[3];
  FloatsArgument(gravityObject, "gravity", "(x, y, z) in m/s^2", 3, gravity);
  const Trigonometry trigonometry = TrigonometryArgument(trigonometryObject);
  std::string unreadable;
  bool missing = false;
  std::shared_ptr<PyModel> model;
  {
    const py::gil_scoped_release withoutGil;
    try {
      ModelDescription description = LoadUrdf(path);
      for (int k = 0; k < 3; ++k) description.gravity[k] = gravity[k];
      description.trigonometry = trigonometry;
      model = std::make_shared<PyModel>(Model(description));
    } catch (const UrdfFileError& error) {
      unreadable = error.what();
      std::error_code ignored;
      missing = !std::filesystem::exists(path, ignored);
    }
  }
  if (model) return model;
  PyErr_SetString(missing ? PyExc_FileNotFoundError : PyExc_OSError, unreadable.c_str());
  throw py::error_already_set();
}

py::tuple JointsOf(const PyModel& m) {
  const std::vector<Joint>& joints = m.description().joints;
  py::tuple tuple(joints.size());
  for (std::size_t i = 0; i < joints.size(); ++i) tuple[i] = py::cast(joints[i]);
  return tuple;
}

std::string ReprOfModel(const PyModel& m) {
  const int n = m.jointCount();
  const std::string& name = m.description().name;
  return "<pendula.Model " + (name.empty() ? std::string("of ") : name + ": ") + std::to_string(n) +
         (n == 1 ? " joint, " : " joints, ") + TrigonometryName(m.description().trigonometry) +
         " trigonometry>";
}

// A model's description, (joints, gravity, trigonometry, name): what it is pickled as (and
// built again from), and what its equality and hash compare.
py::tuple StateOf(const PyModel& m) {
  const ModelDescription& d = m.description();
  return py::make_tuple(JointsOf(m), TupleOf(d.gravity, 3), TrigonometryName(d.trigonometry),
                        d.name);
}

std::shared_ptr<PyModel> ModelOfState(const py::tuple& s) {
  if (s.size() != 4) {
    throw py::value_error("a pickled pendula.Model holds 4 fields; got " +
                          std::to_string(s.size()));
  }
  if (!py::isinstance<py::str>(s[3])) {
    throw py::type_error("a pickled pendula.Model's name must be a str; got " + TypeNameOf(s[3]));
  }
  return MakeModel(s[0], s[1], s[2], s[3].cast<std::string>());
}

}  // namespace

void AddModelClasses(py::module_& module) {
  AddJointClass(module);
  ModelClass model(module, "Model",
                   R"(Model(joints, gravity=(0.0, 0.0, -9.80665), trigonometry="exact")

A tree of 1 to 1000 revolute and prismatic joints on a fixed base, built into a model once and
read-only after; Model.from_urdf reads one from a URDF file.

joints: a sequence of pendula.Joint, every parent before its children; joint i moves body
i + 1 relative to the body of joint joints[i].parent (the base for -1). gravity: (x, y, z) in
base coordinates, m/s^2. trigonometry: "exact" for exact sines (smooth, within an
ulp), "table" for the program's sine table of 1,000,000 entries.
Building it checks the description: ValueError naming joints[i] and the field for a count
outside 1..1000, a parent that is not an earlier joint or -1, a zero axis, a value that is not
finite, a mass < 0, an inertia that is not a body's (not positive semidefinite, or principal
moments that break the triangle inequality), a damping < 0, or a joint that has no inertia to
move; TypeError for what is not a Joint or a float.

A state is the N joint positions q (radians for a revolute joint, metres for a prismatic one)
and the N generalized momenta p conjugate to them, p = A(q) q_dot. Arrays are float64 of shape
(N,) for one state or (n, N) for n states, joint i in column i. torques: None, (N,) for every
state or (n, N) one row per state, joint i's generalized force (a torque at a revolute joint, a
force at a prismatic one), acting at its joint beside the damping -d q_dot; a torque that is not
finite raises ValueError. Calls on different threads run at the same time; every call releases
the GIL while it computes. Models compare equal when their descriptions are, and pickle (built
again from the description).)");
  model
      .def(py::init([](py::handle joints, py::handle gravity, py::handle trigonometry) {
             return MakeModel(joints, gravity, trigonometry, std::string());
           }),
           py::arg("joints"), py::arg("gravity") = py::make_tuple(0.0, 0.0, -9.80665),
           py::arg("trigonometry") = "exact")
      .def_static("from_urdf", &FromUrdf, py::arg("path"),
                  py::arg("gravity") = py::make_tuple(0.0, 0.0, -9.80665),
                  py::arg("trigonometry") = "exact",
                  R"(from_urdf(path, gravity=(0.0, 0.0, -9.80665), trigonometry="exact") -> Model

The robot of a URDF file (path: a str or an os.PathLike), named by its <robot name>.

Its root link is the fixed base; revolute and continuous joints turn, prismatic joints slide,
fixed joints are merged into their parent body; a link without <inertial> is massless;
<dynamics damping> is the joint's damping. Joint limits, meshes, collisions and transmissions
are read past. FileNotFoundError for a file that does not exist, OSError for one that cannot
be read, ValueError naming the file and the element for malformed XML, a floating or planar
joint, an unknown parent or child, two roots or a loop, and for a description that Model
refuses. The GIL is released while the file is read.)")
      .def_property_readonly(
          "joint_count", [](const PyModel& m) { return m.jointCount(); }, "The number of joints N.")
      .def_property_readonly(
          "joint_names",
          [](const PyModel& m) {
            const std::vector<Joint>& joints = m.description().joints;
            py::tuple names(joints.size());
            for (std::size_t i = 0; i < joints.size(); ++i) names[i] = py::str(joints[i].name);
            return names;
          },
          "The joints' names, a tuple of str.")
      .def_property_readonly(
          "parents",
          [](const PyModel& m) {
            const std::vector<int>& parents = m.model().parents();
            py::tuple tuple(parents.size());
            for (std::size_t i = 0; i < parents.size(); ++i) tuple[i] = parents[i];
            return tuple;
          },
          "Each joint's parent joint, -1 for the base, a tuple of int.")
      .def_property_readonly("joints", &JointsOf, "The joints, a tuple of pendula.Joint.")
      .def_property_readonly(
          "name", [](const PyModel& m) { return m.description().name; },
          "The robot's name (a URDF's <robot name>), \"\" for a model built from joints.")
      .def_property_readonly(
          "gravity", [](const PyModel& m) { return TupleOf(m.description().gravity, 3); },
          "Gravity (x, y, z) in base coordinates, m/s^2.")
      .def_property_readonly(
          "trigonometry",
          [](const PyModel& m) { return TrigonometryName(m.description().trigonometry); },
          "\"exact\" or \"table\".")
      .def("__repr__", &ReprOfModel)
      .def(
          "__eq__",
          [](const PyModel& self, py::handle other) -> py::object {
            if (!py::isinstance<PyModel>(other)) {
              return py::reinterpret_borrow<py::object>(Py_NotImplemented);
            }
            return py::bool_(StateOf(self).equal(StateOf(other.cast<const PyModel&>())));
          },
          "Whether two models have the same description: joints, gravity, trigonometry, name.")
      .def("__hash__", [](const PyModel& m) { return py::hash(StateOf(m)); })
      .def(py::pickle(&StateOf, &ModelOfState));
  AddModelCalls(module, model);
  AddModelSteps(model);
  AddDerivativeCalls(module, model);
}

}  // namespace python
}  // namespace pendula
