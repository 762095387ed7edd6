// LoadUrdf and the page's reader of elements: every kind of file they refuse, with a message that
// names the file and the element, and the same description from both for what they accept.
#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "dynamics/urdf/urdf_values.h"
#include "dynamics/urdf_files/xml_elements.h"
#include "pendula/model.h"
#include "tests/support/urdf_files.h"

namespace pendula {
namespace {

using testing::ExpectInertia;
using testing::ExpectNear3;
using testing::kDartData;
using testing::kMergedRobot;
using testing::kRounding;
using testing::Readable;
using testing::WriteTemporary;

// One link or joint a line, so that a case's line numbers are its lines' positions.
std::string LinkLine(const std::string& name) {
  return "<link name=\"" + name + "\"/>\n";
}
std::string JointLine(const std::string& name, const std::string& type, const std::string& parent,
                      const std::string& child) {
  return "<joint name=\"" + name + "\" type=\"" + type + "\"><parent link=\"" + parent +
         "\"/><child link=\"" + child + "\"/><limit effort=\"1\" velocity=\"1\"/></joint>\n";
}
std::string Robot(const std::string& body) {
  return "<robot name=\"r\">\n" + body + "</robot>\n";
}

enum class Raised { Nothing, FileError, InvalidArgument };

struct RefusedFile {
  const char* name;  // also the file's name
  std::string xml;   // no file at all when empty
  Raised raised;
  std::vector<std::string> mentions;  // besides the file's path; "@N" stands for "<path>:N:"
};

// Files that LoadUrdf refuses; the last `ValueCases` are refused by urdfdom's rules alone.
constexpr std::size_t ValueCases = 2;
std::vector<RefusedFile> RefusedFiles() {
  const std::string ab = LinkLine("a") + LinkLine("b");
  return {
      {"missing", "", Raised::FileError, {"No such file"}},
      {"bad_xml",
       "<robot name=\"r\">\n<link name=\"a\">\n</robot>\n",
       Raised::InvalidArgument,
       {"@2", "malformed XML", "link"}},
      {"floating",
       Robot(ab + JointLine("free", "floating", "a", "b")),
       Raised::InvalidArgument,
       {"@4", "joint 'free'", "floating"}},
      {"planar",
       Robot(ab + JointLine("glide", "planar", "a", "b")),
       Raised::InvalidArgument,
       {"@4", "joint 'glide'", "planar"}},
      {"unknown_parent",
       Robot(ab + JointLine("j", "revolute", "ghost", "b")),
       Raised::InvalidArgument,
       {"@4", "joint 'j'", "parent link 'ghost'"}},
      {"unknown_child",
       Robot(ab + JointLine("j", "revolute", "a", "ghost")),
       Raised::InvalidArgument,
       {"@4", "joint 'j'", "child link 'ghost'"}},
      {"two_roots",
       Robot(ab + LinkLine("c") + JointLine("j", "revolute", "a", "b")),
       Raised::InvalidArgument,
       {"@4", "link 'c'", "root", "link 'a'"}},
      {"loop",
       Robot(LinkLine("r") + LinkLine("x") + LinkLine("y") + JointLine("xy", "revolute", "x", "y") +
             JointLine("yx", "revolute", "y", "x")),
       Raised::InvalidArgument,
       {"joints 'yx', 'xy'", "loop"}},
      {"no_root",
       Robot(ab + JointLine("ab", "revolute", "a", "b") + JointLine("ba", "revolute", "b", "a")),
       Raised::InvalidArgument,
       {"joints", "'ab'", "'ba'", "loop"}},
      {"two_parents",
       Robot(ab + LinkLine("c") + JointLine("ac", "revolute", "a", "c") +
             JointLine("bc", "revolute", "b", "c") + JointLine("ab", "revolute", "a", "b")),
       Raised::InvalidArgument,
       {"@6", "link 'c'", "joint 'bc'", "joint 'ac'", "loop"}},
      // What only urdfdom checks reaches the message too.
      {"bad_mass",
       Robot("<link name=\"a\"><inertial><mass value=\"heavy\"/></inertial></link>\n" +
             LinkLine("b") + JointLine("j", "revolute", "a", "b")),
       Raised::InvalidArgument,
       {"heavy", "Link [a]"}},
      {"no_limit",
       Robot(ab + "<joint name=\"j\" type=\"prismatic\"><parent link=\"a\"/>"
                  "<child link=\"b\"/></joint>\n"),
       Raised::InvalidArgument,
       {"Joint [j]", "limits"}},
  };
}

TEST(UrdfErrors, EachRefusedFileRaisesTheRightErrorNamingTheFileAndTheElement) {
  for (const RefusedFile& refused : RefusedFiles()) {
    const std::string file = std::string("refused_") + refused.name + ".urdf";
    const std::string path =
        refused.xml.empty() ? ::testing::TempDir() + file : WriteTemporary(file, refused.xml);
    Raised raised = Raised::Nothing;
    std::string message;
    ::testing::internal::CaptureStderr();
    try {
      LoadUrdf(path);
    } catch (const UrdfFileError& error) {
      raised = Raised::FileError;
      message = error.what();
    } catch (const std::invalid_argument& error) {
      raised = Raised::InvalidArgument;
      message = error.what();
    }
    const std::string printed = ::testing::internal::GetCapturedStderr();
    std::remove(path.c_str());
    EXPECT_EQ(raised, refused.raised) << refused.name << ": " << message;
    EXPECT_EQ(printed, "") << refused.name << ": the parser printed to the console";
    EXPECT_NE(message.find(path), std::string::npos) << refused.name << ": " << message;
    for (const std::string& mention : refused.mentions) {
      const std::string expected =
          mention[0] == '@' ? path + ":" + mention.substr(1) + ":" : mention;
      EXPECT_NE(message.find(expected), std::string::npos)
          << refused.name << ": \"" << message << "\" does not mention \"" << expected << "\"";
    }
  }
}

// The description from elements alone, as the web page reads a file its browser parsed: the
// same description as LoadUrdf's for real robots and the merging case, and every refused file
// refused, in the same words where the library's own rules refuse it, naming the same things
// where urdfdom's do.
TEST(UrdfElements, DescribeAsLoadUrdfDoesAndRefuseWhatItRefuses) {
  std::vector<std::string> robots = {WriteTemporary("merged.urdf", kMergedRobot)};
  for (const char* file : {"urdf/wam/wam.urdf", "sdf/atlas/atlas_v3_no_head.urdf"}) {
    if (Readable(kDartData + file)) robots.push_back(kDartData + file);
  }
  for (const std::string& path : robots) {
    std::ifstream in(path);
    const std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const ModelDescription loaded = LoadUrdf(path);
    const ModelDescription read =
        urdf_reading::DescribeUrdfElements(urdf_reading::ReadXmlElements(xml, path), path);
    EXPECT_EQ(read.name, loaded.name);
    ASSERT_EQ(read.joints.size(), loaded.joints.size()) << path;
    for (std::size_t i = 0; i < read.joints.size(); ++i) {
      const Joint &a = read.joints[i], &b = loaded.joints[i];
      const std::string what = path + " " + b.name;
      EXPECT_EQ(a.name, b.name);
      EXPECT_EQ(a.parent, b.parent) << what;
      EXPECT_EQ(a.kind, b.kind) << what;
      EXPECT_EQ(a.damping, b.damping) << what;
      EXPECT_EQ(a.mass, b.mass) << what;
      ExpectNear3(a.axis, {b.axis[0], b.axis[1], b.axis[2]}, 0.0, what + " axis");
      ExpectNear3(a.xyz, {b.xyz[0], b.xyz[1], b.xyz[2]}, kRounding, what + " xyz");
      ExpectNear3(a.rpy, {b.rpy[0], b.rpy[1], b.rpy[2]}, kRounding, what + " rpy");
      ExpectNear3(a.centreOfMass, {b.centreOfMass[0], b.centreOfMass[1], b.centreOfMass[2]},
                  kRounding, what + " centre");
      ExpectInertia(a.inertia, std::vector<double>(b.inertia, b.inertia + 6), kRounding, what);
    }
  }
  std::remove(robots[0].c_str());

  const std::vector<RefusedFile> cases = RefusedFiles();
  for (std::size_t c = 0; c < cases.size(); ++c) {
    const RefusedFile& refused = cases[c];
    if (refused.xml.empty()) continue;
    const std::string path =
        WriteTemporary(std::string("both_") + refused.name + ".urdf", refused.xml);
    std::string byFile, byElements;
    ::testing::internal::CaptureStderr();
    try {
      LoadUrdf(path);
    } catch (const std::invalid_argument& error) {
      byFile = error.what();
    }
    ::testing::internal::GetCapturedStderr();
    try {
      urdf_reading::DescribeUrdfElements(urdf_reading::ReadXmlElements(refused.xml, path), path);
    } catch (const std::invalid_argument& error) {
      byElements = error.what();
    }
    std::remove(path.c_str());
    ASSERT_NE(byFile, "") << refused.name;
    if (c + ValueCases < cases.size()) {
      EXPECT_EQ(byElements, byFile) << refused.name;
      continue;
    }
    for (const std::string& mention : refused.mentions) {
      EXPECT_NE(byElements.find(mention), std::string::npos)
          << refused.name << ": \"" << byElements << "\" does not mention \"" << mention << "\"";
    }
  }
}

}  // namespace
}  // namespace pendula
