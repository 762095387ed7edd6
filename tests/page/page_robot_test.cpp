// The web page's robot, natively: the list of a file's elements that page.js hands the module
// (every token NUL-terminated), read into the robot, and any list that is cut short or garbled
// refused with a message while the robot loaded before stays as it was.
#include "web/page_robot.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "dynamics/urdf_files/xml_elements.h"

namespace pendula {
namespace page {
namespace {

using urdf_reading::UrdfElement;

// The tokens page.js writes for an element and everything in it.
void List(const UrdfElement& element, std::string& out) {
  const auto token = [&out](const std::string& text) { out += text + '\0'; };
  token("(");
  token(element.name);
  token(std::to_string(element.line));
  token(std::to_string(element.attributes.size()));
  for (const auto& [name, value] : element.attributes) {
    token(name);
    token(value);
  }
  for (const UrdfElement& child : element.children) List(child, out);
  token(")");
}

std::string ListOf(const std::string& xml) {
  std::string out;
  List(urdf_reading::ReadXmlElements(xml, "listed.urdf"), out);
  return out;
}

// A base, a turning link and two links sliding along z below it, mirror images across the turning
// axis: a tree of three joints, two of them without children.
const char* const kTree = R"(<robot name="fork">
<link name="base"/>
<link name="arm"><inertial><mass value="1"/><inertia ixx="0.1" ixy="0" ixz="0" iyy="0.1" iyz="0" izz="0.1"/></inertial></link>
<link name="left"><inertial><mass value="0.5"/><inertia ixx="0.01" ixy="0" ixz="0" iyy="0.01" iyz="0" izz="0.01"/></inertial></link>
<link name="right"><inertial><mass value="0.5"/><inertia ixx="0.01" ixy="0" ixz="0" iyy="0.01" iyz="0" izz="0.01"/></inertial></link>
<joint name="shoulder" type="continuous"><parent link="base"/><child link="arm"/><axis xyz="0 1 0"/></joint>
<joint name="l" type="prismatic"><origin xyz="0.3 0 -0.4"/><axis xyz="0 0 1"/><parent link="arm"/><child link="left"/><limit effort="1" velocity="1"/></joint>
<joint name="r" type="prismatic"><origin xyz="-0.3 0 -0.4"/><axis xyz="0 0 1"/><parent link="arm"/><child link="right"/><limit effort="1" velocity="1"/></joint>
</robot>
)";

TEST(PageRobot, ReadsTheListedTreeAndDrawsABoxPerJointAndACubePerLeaf) {
  PageRobot robot;
  const std::string list = ListOf(kTree);
  ASSERT_EQ(LoadPageRobot(robot, list.data(), static_cast<int>(list.size()), "fork.urdf"), "");
  ASSERT_EQ(robot.model->jointCount(), 3);
  EXPECT_EQ(robot.model->description().name, "fork");
  ASSERT_EQ(robot.boxCount, 5);
  // Joint 0 at the base's origin; 1 and 2 at (±0.3, 0, -0.4), 0.5 m from it.
  EXPECT_NEAR(robot.reach, 0.5, 1e-12);
  const float expected[5][6] = {{0, 0, 0, 0, 0, 0},
                                {0, 0, 0, 0.3f, 0, -0.4f},
                                {0, 0, 0, -0.3f, 0, -0.4f},
                                {0.3f, 0, -0.4f, 0.3f, 0, -0.4f},
                                {-0.3f, 0, -0.4f, -0.3f, 0, -0.4f}};
  for (int box = 0; box < 5; ++box) {
    for (int k = 0; k < 3; ++k) {
      EXPECT_FLOAT_EQ(robot.boxes[8 * box + k], expected[box][k]) << box;
      EXPECT_FLOAT_EQ(robot.boxes[8 * box + 4 + k], expected[box][3 + k]) << box;
    }
  }
  // Under gravity the sliders fall and the balanced arm does not turn.
  for (int pass = 0; pass < 5; ++pass) RobotIdlePass(robot, std::cout);
  EXPECT_TRUE(std::isfinite(robot.positions[0]));
  EXPECT_NEAR(robot.positions[0], 0.0, 1e-12);  // balanced: the two sliders mirror each other
  EXPECT_LT(robot.positions[1], 0.0);           // and slide down along their z axes
}

TEST(PageRobot, RefusesEveryCutOrGarbledListAndKeepsTheRobotItHad) {
  PageRobot robot;
  const std::string list = ListOf(kTree);
  ASSERT_EQ(LoadPageRobot(robot, list.data(), static_cast<int>(list.size()), "fork.urdf"), "");
  const Model* loaded = robot.model.get();
  std::vector<std::string> garbled;
  for (std::size_t cut = 0; cut < list.size(); ++cut) garbled.push_back(list.substr(0, cut));
  std::string unterminated = list;
  unterminated.pop_back();
  garbled.push_back(unterminated);
  garbled.push_back(std::string(")\0", 2));
  std::string badLine = list;
  badLine.replace(badLine.find("\0"
                               "1\0",
                               0, 3),
                  3, std::string("\0x\0", 3));
  garbled.push_back(badLine);
  for (const std::string& text : garbled) {
    const std::string refused =
        LoadPageRobot(robot, text.data(), static_cast<int>(text.size()), "fork.urdf");
    EXPECT_NE(refused, "") << "a list of " << text.size() << " bytes";
    EXPECT_EQ(robot.model.get(), loaded);
    EXPECT_EQ(robot.boxCount, 5);
  }
}

}  // namespace
}  // namespace page
}  // namespace pendula
