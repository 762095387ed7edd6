#include "dynamics/urdf/urdf_element.h"

namespace pendula::urdf_reading {

const char* UrdfElement::Attribute(const char* attribute) const {
  for (const auto& [key, value] : attributes) {
    if (key == attribute) return value.c_str();
  }
  return nullptr;
}

const UrdfElement* UrdfElement::FirstChild(const char* child) const {
  for (const UrdfElement& element : children) {
    if (element.name == child) return &element;
  }
  return nullptr;
}

}  // namespace pendula::urdf_reading
