// The display check before glutInit: it must look at the display glutInit would open, and its
// message must tell a user without a display what to do.
#include "viewer/x11_display.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace pendula {
namespace {

TEST(ToolkitDisplayName, TakesTheLastDisplayOptionAsGlutInitDoes) {
  const char* none[] = {"pendula", "-geometry", "400x400", "--display", ":3", "-displayx"};
  EXPECT_EQ(ToolkitDisplayName(6, none), nullptr);
  const char* one[] = {"pendula", "-display", ":7", "-direct"};
  EXPECT_STREQ(ToolkitDisplayName(4, one), ":7");
  const char* two[] = {"pendula", "-display", ":7", "-display", "host:2.1"};
  EXPECT_STREQ(ToolkitDisplayName(5, two), "host:2.1");
  // The option's value is taken whatever it looks like, as glutInit takes it.
  const char* optionAsValue[] = {"pendula", "-display", "-display"};
  EXPECT_STREQ(ToolkitDisplayName(3, optionAsValue), "-display");
  const char* valueMissing[] = {"pendula", "-display", ":7", "-display"};
  EXPECT_EQ(ToolkitDisplayName(4, valueMissing), nullptr);
  // argv[0] is the program, never an option.
  const char* programOnly[] = {"-display", ":7"};
  EXPECT_EQ(ToolkitDisplayName(1, programOnly), nullptr);
}

TEST(ExplainUnopenableDisplay, OneLineNamingTheDisplayAndTheWaysToRunHeadless) {
  struct Case {
    const char* option;
    const char* environment;
    const char* names;  // what the line must say about where the display came from
  };
  const Case cases[] = {
      {nullptr, nullptr, "DISPLAY is not set"},
      {nullptr, "", "DISPLAY is empty"},
      {nullptr, ":99", "\":99\" that DISPLAY names"},
      {":5", nullptr, "\":5\" given with -display (DISPLAY is not set)"},
      {":5", ":0", "\":5\" given with -display (DISPLAY is \":0\")"},
  };
  // In the build tree the repository's demo script is at hand; an installed program has none.
  for (const bool inBuildTree : {true, false}) {
    const char* program = inBuildTree ? "build/app/pendula" : "pendula";
    for (const Case& c : cases) {
      std::ostringstream err;
      ExplainUnopenableDisplay(program, c.option, c.environment, inBuildTree, err);
      const std::string line = err.str();
      SCOPED_TRACE(line);
      EXPECT_EQ(line.rfind(std::string(program) + ": ", 0), 0u);
      EXPECT_NE(line.find(c.names), std::string::npos);
      EXPECT_EQ(line.find("scripts/demo.sh") != std::string::npos, inBuildTree);
      EXPECT_NE(line.find("xvfb-run -a " + std::string(program) + "\n"), std::string::npos);
      EXPECT_EQ(line.find('\n'), line.size() - 1) << "not exactly one line";
    }
  }
}

}  // namespace
}  // namespace pendula
