// URDF text read by TinyXML2 into its elements (urdf_element.h), for LoadUrdf.
#pragma once

#include <string>

#include "dynamics/urdf/urdf_element.h"

namespace pendula::urdf_reading {

// The document element of the XML text `xml` read from `path`: std::invalid_argument,
// "LoadUrdf: <path>:<line>: malformed XML (<TinyXML2's error>): ...", for text that is not XML.
UrdfElement ReadXmlElements(const std::string& xml, const std::string& path);

}  // namespace pendula::urdf_reading
