#include "tests/peers/urdf_text.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace pendula {
namespace peers {
namespace {

// Removes every span from `open` to the next `close`, both included.
std::string WithoutSpans(const std::string& text, const std::string& open,
                         const std::string& close) {
  std::string kept;
  std::size_t from = 0;
  for (;;) {
    const std::size_t start = text.find(open, from);
    if (start == std::string::npos) break;
    const std::size_t end = text.find(close, start + open.size());
    if (end == std::string::npos) throw std::runtime_error("URDF: unterminated " + open);
    kept.append(text, from, start - from);
    from = end + close.size();
  }
  return kept + text.substr(from);
}

bool EndsName(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '>' || c == '/';
}

// The text without the spans, in order and not overlapping.
std::string Without(const std::string& text, const std::vector<Span>& spans) {
  std::string kept;
  std::size_t from = 0;
  for (const Span& s : spans) {
    kept.append(text, from, s.begin - from);
    from = s.end;
  }
  return kept + text.substr(from);
}

}  // namespace

std::vector<Span> Elements(const std::string& text, const std::string& tag) {
  const std::string open = "<" + tag, close = "</" + tag + ">";
  std::vector<Span> spans;
  std::size_t search = 0;
  for (;;) {
    const std::size_t start = text.find(open, search);
    if (start == std::string::npos) return spans;
    if (start + open.size() >= text.size() || !EndsName(text[start + open.size()])) {
      search = start + open.size();  // a longer name such as <visualisation>
      continue;
    }
    const std::size_t tagEnd = text.find('>', start);
    if (tagEnd == std::string::npos) throw std::runtime_error("URDF: unterminated " + open);
    std::size_t end = tagEnd + 1;
    if (text[tagEnd - 1] != '/') {
      const std::size_t closing = text.find(close, tagEnd);
      if (closing == std::string::npos) throw std::runtime_error("URDF: unterminated " + open);
      end = closing + close.size();
    }
    spans.push_back({start, tagEnd + 1, end});
    search = end;
  }
}

std::string Attribute(const std::string& element, const std::string& name) {
  const std::string startTag = element.substr(0, element.find('>'));
  for (std::size_t at = startTag.find(name); at != std::string::npos;
       at = startTag.find(name, at + 1)) {
    if (at == 0 || !EndsName(startTag[at - 1])) continue;  // the tail of a longer name
    std::size_t k = at + name.size();
    while (k < startTag.size() && EndsName(startTag[k])) ++k;
    if (k >= startTag.size() || startTag[k] != '=') continue;
    ++k;
    while (k < startTag.size() && EndsName(startTag[k])) ++k;
    if (k >= startTag.size()) break;
    const char quote = startTag[k];
    const std::size_t close = startTag.find(quote, k + 1);
    if (close == std::string::npos) break;
    return startTag.substr(k + 1, close - k - 1);
  }
  return "";
}

std::string Child(const std::string& element, const std::string& tag) {
  const std::size_t startTagEnd = element.find('>') + 1;
  const std::vector<Span> inside = Elements(element.substr(startTagEnd), tag);
  if (inside.empty()) return "";
  return element.substr(startTagEnd + inside[0].begin, inside[0].end - inside[0].begin);
}

std::string ReadTextFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string KinematicsAndInertiaOnly(const std::string& urdf) {
  std::string text = WithoutSpans(urdf, "<!--", "-->");
  for (const char* tag : {"visual", "collision", "transmission", "gazebo"}) {
    text = Without(text, Elements(text, tag));
  }
  return text;
}

std::string InsideRobot(const std::string& urdf, const std::string& elements) {
  const std::vector<Span> robot = Elements(urdf, "robot");
  if (robot.empty()) throw std::runtime_error("URDF: no <robot> element");
  const std::size_t at = robot[0].startTagEnd;
  return urdf.substr(0, at) + elements + urdf.substr(at);
}

}  // namespace peers
}  // namespace pendula
