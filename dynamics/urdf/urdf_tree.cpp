#include "dynamics/urdf/urdf_tree.h"

#include <map>
#include <stdexcept>

namespace pendula::urdf_reading {
namespace {

// Every message reads "LoadUrdf: <path>:<line>: ...", as a compiler names a place in a file.
[[noreturn]] void Fail(const std::string& path, int line, const std::string& what) {
  throw std::invalid_argument("LoadUrdf: " + path + ":" + std::to_string(line) + ": " + what);
}

std::string Quoted(const std::string& name) {
  return "'" + name + "'";
}

UrdfJointType JointType(const UrdfElement& element, const std::string& joint,
                        const std::string& path) {
  const char* type = element.Attribute("type");
  if (type == nullptr) Fail(path, element.line, "joint " + Quoted(joint) + " has no type");
  const std::string name = type;
  if (name == "revolute") return UrdfJointType::Revolute;
  if (name == "continuous") return UrdfJointType::Continuous;
  if (name == "prismatic") return UrdfJointType::Prismatic;
  if (name == "fixed") return UrdfJointType::Fixed;
  if (name == "floating" || name == "planar") {
    Fail(path, element.line,
         "joint " + Quoted(joint) + " is " + name +
             ": a model has revolute, continuous, prismatic and fixed joints on a fixed base");
  }
  Fail(path, element.line,
       "joint " + Quoted(joint) + " has type " + Quoted(name) + ", which URDF does not define");
}

// The link that <parent link="..."> or <child link="..."> of a joint names.
int JointLink(const UrdfElement& joint, const char* role, const std::string& jointName,
              const std::map<std::string, int>& links, const std::string& path) {
  const UrdfElement* element = joint.FirstChild(role);
  const char* link = element == nullptr ? nullptr : element->Attribute("link");
  if (link == nullptr) {
    Fail(path, element == nullptr ? joint.line : element->line,
         "joint " + Quoted(jointName) + " has no <" + role + " link=\"...\">");
  }
  const auto found = links.find(link);
  if (found == links.end()) {
    Fail(path, element->line,
         "joint " + Quoted(jointName) + " names " + role + " link " + Quoted(link) +
             ", which no <link> declares");
  }
  return found->second;
}

// A link's name, or the failure of a link or joint without one or declared twice.
std::string UniqueName(const UrdfElement& element, const std::map<std::string, int>& lines,
                       const std::string& path) {
  const std::string kind = element.name;
  const char* name = element.Attribute("name");
  if (name == nullptr) Fail(path, element.line, "a <" + kind + "> without a name");
  const auto earlier = lines.find(name);
  if (earlier != lines.end()) {
    Fail(path, element.line,
         kind + " " + Quoted(name) + " is declared twice, first on line " +
             std::to_string(earlier->second));
  }
  return name;
}

// Fails naming the joints of the loop that following parent joints from `link` runs into;
// every link on the way has exactly one parent joint (parentJoint), and none leads to the root.
void FailLoop(const UrdfTree& tree, const std::vector<int>& parentJoint, int link,
              const std::string& path) {
  std::vector<int> seenAt(tree.links.size(), -1);
  std::vector<int> joints;
  while (seenAt[link] < 0) {
    seenAt[link] = static_cast<int>(joints.size());
    joints.push_back(parentJoint[link]);
    link = tree.joints[parentJoint[link]].parent;
  }
  std::string names;
  for (std::size_t k = seenAt[link]; k < joints.size(); ++k) {
    names += (names.empty() ? "" : ", ") + Quoted(tree.joints[joints[k]].name);
  }
  Fail(path, tree.joints[joints[seenAt[link]]].line,
       "joints " + names + " form a loop: link " + Quoted(tree.links[link].name) +
           " is its own ancestor");
}

}  // namespace

UrdfTree ReadUrdfTree(const UrdfElement& robot, const std::string& path) {
  if (robot.name != "robot") {
    Fail(path, robot.line, "the document is a <" + robot.name + ">, not a <robot>");
  }
  UrdfTree tree;
  const char* robotName = robot.Attribute("name");
  tree.robotName = robotName == nullptr ? "" : robotName;

  std::map<std::string, int> linkIndex;
  std::map<std::string, int> linkLines;
  for (const UrdfElement& element : robot.children) {
    if (element.name != "link") continue;
    UrdfLink link;
    link.name = UniqueName(element, linkLines, path);
    link.line = element.line;
    linkIndex[link.name] = static_cast<int>(tree.links.size());
    linkLines[link.name] = link.line;
    tree.links.push_back(link);
  }

  std::map<std::string, int> jointLines;
  std::vector<int> parentJoint(tree.links.size(), -1);
  for (const UrdfElement& element : robot.children) {
    if (element.name != "joint") continue;
    UrdfJoint joint;
    joint.name = UniqueName(element, jointLines, path);
    joint.line = element.line;
    joint.type = JointType(element, joint.name, path);
    joint.parent = JointLink(element, "parent", joint.name, linkIndex, path);
    joint.child = JointLink(element, "child", joint.name, linkIndex, path);
    const int index = static_cast<int>(tree.joints.size());
    if (joint.parent == joint.child) {
      Fail(path, joint.line,
           "joint " + Quoted(joint.name) + " joins link " + Quoted(tree.links[joint.child].name) +
               " to itself: a loop");
    }
    const int earlier = parentJoint[joint.child];
    if (earlier >= 0) {
      Fail(path, joint.line,
           "link " + Quoted(tree.links[joint.child].name) + " is the child of joint " +
               Quoted(joint.name) + " and of joint " + Quoted(tree.joints[earlier].name) +
               " (line " + std::to_string(tree.joints[earlier].line) +
               "): the joints close a loop, and a URDF's links form a tree");
    }
    parentJoint[joint.child] = index;
    tree.links[joint.parent].childJoints.push_back(index);
    jointLines[joint.name] = joint.line;
    tree.joints.push_back(joint);
  }

  for (int link = 0; link < static_cast<int>(tree.links.size()); ++link) {
    if (parentJoint[link] >= 0) continue;
    if (tree.root >= 0) {
      Fail(path, tree.links[link].line,
           "link " + Quoted(tree.links[link].name) + " is a second root beside link " +
               Quoted(tree.links[tree.root].name) + " (line " +
               std::to_string(tree.links[tree.root].line) +
               "): every link but one must be the child of a joint");
    }
    tree.root = link;
  }
  if (tree.links.empty()) Fail(path, robot.line, "the robot has no <link>");
  // No root: every link has a parent joint, so following them from any link runs into a loop.
  if (tree.root < 0) FailLoop(tree, parentJoint, 0, path);

  // A link that the root does not reach hangs from a loop of its own.
  std::vector<char> reached(tree.links.size(), 0);
  std::vector<int> pending = {tree.root};
  reached[tree.root] = 1;
  while (!pending.empty()) {
    const int link = pending.back();
    pending.pop_back();
    for (int joint : tree.links[link].childJoints) {
      reached[tree.joints[joint].child] = 1;
      pending.push_back(tree.joints[joint].child);
    }
  }
  for (int link = 0; link < static_cast<int>(tree.links.size()); ++link) {
    if (!reached[link]) FailLoop(tree, parentJoint, link, path);
  }
  return tree;
}

}  // namespace pendula::urdf_reading
