#include "python/model_arguments.h"

namespace pendula {
namespace python {

double FloatArgument(py::handle object, const std::string& name) {
  // float() would parse a str; PyFloat_AsDouble takes only what has __float__ or __index__.
  const double value = PyFloat_AsDouble(object.ptr());
  if (value == -1.0 && PyErr_Occurred() != nullptr) {
    PyErr_Clear();
    throw py::type_error(name + " must be a float; got " + TypeNameOf(object));
  }
  return value;
}

void FloatsArgument(py::handle object, const std::string& name, const char* layout, int count,
                    double* out) {
  const std::string expected = name + " must be " + std::to_string(count) + " floats " + layout;
  if (py::isinstance<py::str>(object) || py::isinstance<py::bytes>(object)) {
    throw py::type_error(expected + "; got " + TypeNameOf(object));
  }
  const auto array = py::array_t<double, py::array::c_style | py::array::forcecast>::ensure(object);
  if (!array) {
    PyErr_Clear();
    throw py::type_error(expected + "; got " + TypeNameOf(object));
  }
  if (array.ndim() != 1 || array.shape(0) != count) {
    throw py::value_error(expected + "; got shape " + ShapeOf(array));
  }
  for (int i = 0; i < count; ++i) out[i] = array.data()[i];
}

Trigonometry TrigonometryArgument(py::handle object) {
  const char* expected = "trigonometry must be \"table\" or \"exact\"";
  if (!py::isinstance<py::str>(object)) {
    throw py::type_error(std::string(expected) + "; got " + TypeNameOf(object));
  }
  const std::string name = object.cast<std::string>();
  if (name == "table") return Trigonometry::Table;
  if (name == "exact") return Trigonometry::Exact;
  throw py::value_error(std::string(expected) + "; got \"" + name + "\"");
}

const char* TrigonometryName(Trigonometry trigonometry) {
  return trigonometry == Trigonometry::Table ? "table" : "exact";
}

py::tuple TupleOf(const double* values, int count) {
  py::tuple tuple(count);
  for (int i = 0; i < count; ++i) tuple[i] = values[i];
  return tuple;
}

std::string ReprOf(double x) {
  return py::repr(py::float_(x)).cast<std::string>();
}

}  // namespace python
}  // namespace pendula
