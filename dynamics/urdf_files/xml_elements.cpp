#include "dynamics/urdf_files/xml_elements.h"

#include <tinyxml2.h>

#include <stdexcept>
#include <vector>

namespace pendula::urdf_reading {
namespace {

// What TinyXML2 says went wrong, without the line it also puts in ErrorStr().
std::string XmlError(const tinyxml2::XMLDocument& document) {
  std::string what = std::string("malformed XML (") + document.ErrorName() + ")";
  const std::string full = document.ErrorStr();
  const std::size_t line = full.find("Line number=");
  const std::size_t detail = line == std::string::npos ? line : full.find(": ", line);
  if (detail != std::string::npos) what += ": " + full.substr(detail + 2);
  return what;
}

UrdfElement Shallow(const tinyxml2::XMLElement& element) {
  UrdfElement out;
  out.name = element.Name();
  out.line = element.GetLineNum();
  for (const tinyxml2::XMLAttribute* a = element.FirstAttribute(); a != nullptr; a = a->Next()) {
    out.attributes.emplace_back(a->Name(), a->Value());
  }
  return out;
}

}  // namespace

UrdfElement ReadXmlElements(const std::string& xml, const std::string& path) {
  tinyxml2::XMLDocument document;
  if (document.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) {
    throw std::invalid_argument("LoadUrdf: " + path + ":" +
                                std::to_string(document.ErrorLineNum()) + ": " +
                                XmlError(document));
  }
  // Depth first without recursion, so that deep nesting cannot exhaust the stack. An element's
  // children are complete before its parent takes it.
  struct Open {
    const tinyxml2::XMLElement* element;
    UrdfElement built;
  };
  std::vector<Open> open;
  open.push_back({document.RootElement(), Shallow(*document.RootElement())});
  std::vector<const tinyxml2::XMLElement*> next = {document.RootElement()->FirstChildElement()};
  while (true) {
    const tinyxml2::XMLElement* child = next.back();
    if (child != nullptr) {
      next.back() = child->NextSiblingElement();
      open.push_back({child, Shallow(*child)});
      next.push_back(child->FirstChildElement());
      continue;
    }
    next.pop_back();
    if (open.size() == 1) return std::move(open.back().built);
    UrdfElement done = std::move(open.back().built);
    open.pop_back();
    open.back().built.children.push_back(std::move(done));
  }
}

}  // namespace pendula::urdf_reading
