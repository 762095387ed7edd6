// A URDF document as its elements alone, whichever XML parser read it: each element's name, the
// line its start tag is on, its attributes and its child elements in the file's order. TinyXML2
// fills it for LoadUrdf (xml_elements.h); the web page fills it from the browser's own parser.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pendula::urdf_reading {

struct UrdfElement {
  std::string name;
  int line = 0;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<UrdfElement> children;

  // The value of the attribute of that name, or null when the element has none.
  const char* Attribute(const char* attribute) const;
  // The first child element of that name, or null.
  const UrdfElement* FirstChild(const char* child) const;
};

}  // namespace pendula::urdf_reading
