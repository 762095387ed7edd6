// The text of a URDF file made ready for a peer engine, and the few reads of its elements that
// this takes. URDF elements of one name do not nest, which keeps the reads simple.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pendula {
namespace peers {

// The whole content of a text file; std::runtime_error, naming the file, if it cannot be read.
std::string ReadTextFile(const std::string& path);

// The URDF text without comments and without its <visual>, <collision>, <transmission> and
// <gazebo> elements: the peers then read no meshes and see no contact geometry, and nothing
// commented out can be mistaken for an element.
std::string KinematicsAndInertiaOnly(const std::string& urdf);

// The URDF text with `elements` placed first inside its <robot> element.
std::string InsideRobot(const std::string& urdf, const std::string& elements);

// Where an element <tag ...>...</tag> or <tag .../> lies in a text: [begin, end), and the end of
// its start tag (one past its '>').
struct Span {
  std::size_t begin, startTagEnd, end;
};
// Every element `tag` in the text, in the order they appear.
std::vector<Span> Elements(const std::string& text, const std::string& tag);

// The value of attribute `name` in the start tag of the element that the text begins with; empty
// when it has none.
std::string Attribute(const std::string& element, const std::string& name);

// The first element `tag` inside `element`, as text; empty when there is none.
std::string Child(const std::string& element, const std::string& tag);

}  // namespace peers
}  // namespace pendula
